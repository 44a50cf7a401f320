// SPDX-License-Identifier: MIT
// The about box: its texts, its link, and the one instance shown again and again.
#include "dialogs/CAbout.h"
#include "window/Utils.h"

#include "Version.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QLabel>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

#include <functional>
#include <vector>

using namespace Larkspur;

namespace
{

// Every line of the program's sources as they stand now: blank lines, lines
// with any character, and a last line without a line break.
uint64_t CountSourceLines()
{
    uint64_t uiLines = 0;
    for (const QString &sFolder : QStringLiteral(LARKSPUR_PROGRAM_FOLDERS).split(QLatin1Char(',')))
    {
        QDirIterator Files(QStringLiteral(LARKSPUR_SOURCE_DIR "/") + sFolder, {"*.cpp", "*.h"}, QDir::Files,
                           QDirIterator::Subdirectories);
        while (Files.hasNext())
        {
            QFile Source(Files.next());
            EXPECT_TRUE(Source.open(QIODevice::ReadOnly)) << Source.fileName().toStdString();
            const QByteArray Text = Source.readAll();
            uiLines += uint64_t(Text.count('\n')) + (!Text.isEmpty() && !Text.endsWith('\n') ? 1 : 0);
        }
    }
    return uiLines;
}

// The desktop's data folders (XDG_DATA_HOME, XDG_DATA_DIRS) set for one test.
class CDataFolders
{
public:
    CDataFolders(const QString &sHome, const QString &sDirs)
        : OldHome(qgetenv("XDG_DATA_HOME")), OldDirs(qgetenv("XDG_DATA_DIRS"))
    {
        qputenv("XDG_DATA_HOME", sHome.toLocal8Bit());
        qputenv("XDG_DATA_DIRS", sDirs.toLocal8Bit());
    }
    ~CDataFolders()
    {
        Restore("XDG_DATA_HOME", OldHome);
        Restore("XDG_DATA_DIRS", OldDirs);
    }
    CDataFolders(const CDataFolders &) = delete;
    CDataFolders &operator=(const CDataFolders &) = delete;

private:
    static void Restore(const char *szName, const QByteArray &Value)
    {
        if (Value.isNull())
            qunsetenv(szName);
        else
            qputenv(szName, Value);
    }
    const QByteArray OldHome, OldDirs;
};

TEST(DialogAbout, ShowsTheProgramsFacts)
{
    CAbout About(nullptr);
    const auto Shown = [&](const char *szName) { return About.findChild<QLabel *>(QLatin1String(szName))->text(); };
    EXPECT_EQ(Shown("lblVersion"), QStringLiteral("Version: " LARKSPUR_VERSION));
    EXPECT_EQ(Shown("lblAuthor"), QStringLiteral("Author: Larkspur Developers"));
    EXPECT_EQ(Shown("lblDate"), QStringLiteral("Date: 12/08/2026"));
    EXPECT_EQ(Shown("lblLanguage"), QStringLiteral("Written In: C++"));
    EXPECT_EQ(Shown("lblLines"), QStringLiteral("Lines: ") + Utils::GroupedNumber(CountSourceLines()));
}

TEST(DialogAbout, DismissingOnlyHidesSoTheSameBoxComesBack)
{
    CAbout About(nullptr);
    QPointer<CAbout> Alive(&About);
    auto *btnOK = About.findChild<QPushButton *>(QStringLiteral("btnOK"));
    // The close box, Enter (OK is the default button), Escape, a click on OK.
    const std::vector<std::function<void()>> Dismissals = {
        [&] { About.close(); }, [&] { QTest::keyClick(&About, Qt::Key_Return); },
        [&] { QTest::keyClick(&About, Qt::Key_Escape); }, [&] { QTest::mouseClick(btnOK, Qt::LeftButton); }};
    for (size_t i = 0; i < Dismissals.size(); ++i)
    {
        About.open();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
        Dismissals[i]();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !About.isVisible(); })) << "dismissal " << i;
        ASSERT_FALSE(Alive.isNull());
    }
}

TEST(DialogAbout, TheLinkOpensTheInstalledReadmeThroughTheDesktop)
{
    std::vector<QUrl> Opened;
    CAbout About([&](const QUrl &Url) { Opened.push_back(Url); });
    auto *lnkWebSite = About.findChild<QLabel *>(QStringLiteral("lnkWebSite"));
    About.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&About));
    QTest::mouseClick(lnkWebSite, Qt::LeftButton, {}, QPoint(6, lnkWebSite->height() / 2));
    EXPECT_EQ(Opened, std::vector<QUrl>{CAbout::DocumentationUrl(QCoreApplication::applicationDirPath())});
    EXPECT_TRUE(About.isVisible());

    // Beside the program first, then the desktop's data folders in their
    // order; with none, where the package puts it in the last of them.
    QTemporaryDir Prefix;
    const QDir Root(Prefix.path());
    for (const char *szFolder : {"bin", "home/doc/larkspur", "local", "system/doc/larkspur"})
        ASSERT_TRUE(Root.mkpath(QLatin1String(szFolder)));
    const CDataFolders Data(Root.filePath(QStringLiteral("home")),
                            Root.filePath(QStringLiteral("local")) + ':' + Root.filePath(QStringLiteral("system")));
    const QString sBin = Root.filePath(QStringLiteral("bin"));
    EXPECT_EQ(CAbout::DocumentationUrl(sBin),
              QUrl::fromLocalFile(Root.filePath(QStringLiteral("system/doc/larkspur/README.md"))));
    for (const char *szReadme : {"system/doc/larkspur/README.md", "home/doc/larkspur/README.md", "bin/README.md"})
    {
        QFile Readme(Root.filePath(QLatin1String(szReadme)));
        ASSERT_TRUE(Readme.open(QIODevice::WriteOnly));
        EXPECT_EQ(CAbout::DocumentationUrl(sBin), QUrl::fromLocalFile(Readme.fileName()));
    }

    // Run from a build folder: the source tree's, even with one installed.
    ASSERT_TRUE(Root.mkpath(QStringLiteral("src")) && Root.mkpath(QStringLiteral("build/sub")));
    QFile Source(Root.filePath(QStringLiteral("src/README.md")));
    ASSERT_TRUE(Source.open(QIODevice::WriteOnly));
    const QString sBuild = Root.filePath(QStringLiteral("build")), sSource = Root.filePath(QStringLiteral("src"));
    EXPECT_EQ(CAbout::DocumentationUrl(sBuild + "/sub", sBuild, sSource), QUrl::fromLocalFile(Source.fileName()));
    EXPECT_EQ(CAbout::DocumentationUrl(sBin, sBuild, sSource),
              QUrl::fromLocalFile(Root.filePath(QStringLiteral("bin/README.md"))));
    // A folder whose name only begins like the build folder's is not in it.
    EXPECT_EQ(CAbout::DocumentationUrl(sBuild + "-other", sBuild, sSource),
              QUrl::fromLocalFile(Root.filePath(QStringLiteral("home/doc/larkspur/README.md"))));
}

}  // namespace
