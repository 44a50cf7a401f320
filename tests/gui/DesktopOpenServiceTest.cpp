// SPDX-License-Identifier: MIT
// The Qt desktop's open service: xdg-open runs without holding the window,
// and its failure (a non-zero exit within the first seconds, or no xdg-open
// at all) is reported.
#include "window/QtDesktop.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <memory>

namespace
{

class DesktopOpenServiceTest : public ::testing::Test
{
protected:
    QTemporaryDir Bin;
    QByteArray sPreviousPath = qgetenv("PATH");
    Larkspur::QtDesktop Desktop;
    int iFailures = 0;

    void SetUp() override { qputenv("PATH", QFile::encodeName(Bin.path())); }
    void TearDown() override { qputenv("PATH", sPreviousPath); }

    // A stand-in for xdg-open with this shell body; PATH holds only its
    // folder, so the body uses built-ins and full paths.
    void FakeOpenService(const QByteArray &sBody)
    {
        QFile Script(Bin.filePath("xdg-open"));
        ASSERT_TRUE(Script.open(QIODevice::WriteOnly));
        Script.write("#!/bin/sh\n" + sBody + "\n");
        Script.close();
        ASSERT_TRUE(Script.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
    }

    void Open(const QUrl &Url) { Desktop.OpenUrl(Url, [this] { ++iFailures; }); }

    QString Marker(const char *szName) const { return Bin.filePath(QLatin1String(szName)); }
};

TEST_F(DesktopOpenServiceTest, OnlyANonZeroExitIsAFailure)
{
    // "done" comes last: the path is written whole by then, and the run
    // decided its status before the test makes it fail.
    FakeOpenService("[ -e \"${0%/*}/fail\" ] && exit 4; printf '%s' \"$1\" > \"${0%/*}/opened\"; "
                    ": > \"${0%/*}/done\"; exit 0");
    Open(QUrl::fromLocalFile("/tmp/a b.txt"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(Marker("done")); }));
    QFile Opened(Marker("opened"));
    ASSERT_TRUE(Opened.open(QIODevice::ReadOnly));
    EXPECT_EQ(Opened.readAll(), "file:///tmp/a%20b.txt");  // the path, and nothing else

    // A failing run after it: the one failure counted is that run's.
    QFile Fail(Marker("fail"));
    ASSERT_TRUE(Fail.open(QIODevice::WriteOnly));
    Fail.close();
    Open(QUrl::fromLocalFile("/tmp/b.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return iFailures > 0; }));
    EXPECT_EQ(iFailures, 1);
}

TEST_F(DesktopOpenServiceTest, TheCallerGoesOnWhileTheServiceRuns)
{
    // The service ends only when the caller has shown that it runs on.
    FakeOpenService("go=\"${0%/*}/go\"; i=0; while [ ! -e \"$go\" ] && [ $i -lt 300 ]; do "
                    "/bin/sleep 0.1; i=$((i+1)); done; exit 3");
    Open(QUrl::fromLocalFile("/tmp/c.txt"));
    EXPECT_EQ(iFailures, 0);
    QFile Go(Marker("go"));
    ASSERT_TRUE(Go.open(QIODevice::WriteOnly));
    Go.close();
    EXPECT_TRUE(QTest::qWaitFor([&] { return iFailures == 1; }, 20000));
}

TEST_F(DesktopOpenServiceTest, AnExitPastTheWindowBelongsToTheOpenedProgram)
{
    // xdg-open waits for a program run in a terminal, whose exit status it
    // passes on: past the window, no failure can be reported any more.
    FakeOpenService("go=\"${0%/*}/go\"; i=0; while [ ! -e \"$go\" ] && [ $i -lt 300 ]; do "
                    "/bin/sleep 0.1; i=$((i+1)); done; exit 3");
    Larkspur::QtDesktop Quick(0);
    auto Watched = std::make_shared<int>();
    const std::weak_ptr<int> Watch = Watched;
    Quick.OpenUrl(QUrl::fromLocalFile("/tmp/f.txt"), [this, Watched] { ++iFailures; });
    Watched.reset();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Watch.expired(); }));  // the report is let go
    QFile Go(Marker("go"));
    ASSERT_TRUE(Go.open(QIODevice::WriteOnly));
}

TEST_F(DesktopOpenServiceTest, NoOpenServiceIsAFailure)
{
    Open(QUrl::fromLocalFile("/tmp/d.txt"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return iFailures == 1; }));
    Desktop.OpenUrl(QUrl::fromLocalFile("/tmp/e.txt"), {});  // nobody to tell: nothing happens
    EXPECT_EQ(iFailures, 1);
}

}  // namespace
