// SPDX-License-Identifier: MIT
// Ends that do not come from the window: SIGTERM, SIGHUP and the session's
// end close it as File > Exit does; what a killed window left behind is
// removed at the next start.

#include "WindowFixture.h"

#include "window/CEndRequests.h"
#include "window/QtDesktop.h"

#include <QFile>
#include <QFileInfo>
#include <QTimer>

#include <csignal>

using GcfBuilder::SItem;

namespace
{

class WindowEndTest : public WindowTest
{
protected:
    QString sArchive;

    void SetUp() override
    {
        WindowTest::SetUp();
        sArchive = WriteArchive("end.gcf", SItem::Folder("r", {SItem::File("b.txt", "bytes of b")}));
    }

    // The window as main() makes it, with the archive open and a file
    // extracted into its temporary folder.
    void StartAsTheProgram(Larkspur::CEndRequests &EndRequests)
    {
        Start(sArchive);
        QObject::connect(&EndRequests, &Larkspur::CEndRequests::EndRequested, Window.get(),
                         &Larkspur::CLarkspur::CloseAsExit);
        Desktop.OpenedUrls.clear();
        Tree()->setCurrentItem(Node("root/b.txt"));
        Action("btnExecuteGCFTreeItem")->trigger();
        ASSERT_EQ(Desktop.OpenedUrls.size(), 1u);
    }

    QString ReadFile(const char *szName) const
    {
        QFile File(ProgramFolder.filePath(QLatin1String(szName)));
        return File.open(QIODevice::ReadOnly) ? QString::fromUtf8(File.readAll()) : QString();
    }
};

TEST_F(WindowEndTest, SignalsAndTheSessionsEndCloseTheWindowAsExitDoes)
{
    const struct
    {
        const char *szName;
        std::function<void()> End;
    } Cases[] = {
        {"SIGTERM", [] { ::raise(SIGTERM); }},
        {"SIGHUP", [] { ::raise(SIGHUP); }},
        {"session end", [] { QMetaObject::invokeMethod(QCoreApplication::instance(), "aboutToQuit"); }},
    };
    for (const auto &Case : Cases)
    {
        SCOPED_TRACE(Case.szName);
        Larkspur::CEndRequests EndRequests;
        StartAsTheProgram(EndRequests);
        const QString sTemp = TempDirectory();
        Case.End();
        EXPECT_TRUE(QTest::qWaitFor([&] { return !Window->isVisible(); }));
        EXPECT_FALSE(QFileInfo::exists(sTemp));
        EXPECT_TRUE(ReadFile("larkspur.log").endsWith(sArchive + " closed.\nDeleted " + sTemp + "/b.txt.\nDeleted " +
                                                      sTemp + ".\n"));
        EXPECT_TRUE(ReadFile("larkspur.cfg").contains("RecentFiles.GCF = " + sArchive + "\r\n"));
        Window.reset();
        QFile::remove(ProgramFolder.filePath("larkspur.log"));
    }
}

TEST_F(WindowEndTest, AModalDialogIsCancelledFirstThenTheWindowCloses)
{
    Larkspur::CEndRequests EndRequests;
    StartAsTheProgram(EndRequests);
    Desktop.bModalRuns = true;
    ::raise(SIGTERM);
    ASSERT_TRUE(QTest::qWaitFor([&] { return bool(Desktop.AfterModal); }));
    EXPECT_TRUE(Window->isVisible());
    // The dialog has returned to its caller.
    Desktop.bModalRuns = false;
    Desktop.AfterModal();
    EXPECT_FALSE(Window->isVisible());
    EXPECT_FALSE(ReadFile("larkspur.log").isEmpty());
}

TEST_F(WindowEndTest, TheFolderOfAKilledWindowIsRemovedAtTheNextStart)
{
    ASSERT_EQ(TestSupport::RunInChild([&] {
                  const Larkspur::STempDirectory Made = Larkspur::CProgramFiles::MakePrivateTempDirectory(
                      Files().TempParents);
                  QFile Extracted(Made.sPath + "b.txt");
                  ::_exit(Made.Lock && Extracted.open(QIODevice::WriteOnly) ? 0 : 1);
              }),
              0);
    const QString sLeft = TempDirectory();
    ASSERT_FALSE(sLeft.isEmpty());

    Start();
    EXPECT_FALSE(QFileInfo::exists(sLeft));
    const QString sOwn = TempDirectory();
    EXPECT_EQ(ConsoleLines(), (QStringList{"Deleted " + sLeft + "/b.txt.", "Deleted " + sLeft + ".",
                                           "Created " + sOwn + "/."}));
}

TEST(QtDesktopModalTest, CancelledDialogsReturnBeforeWhatWaitsForThemRuns)
{
    Larkspur::QtDesktop Desktop;
    bool bCancelled = false, bAfter = false;
    QTimer::singleShot(0, [&] { bCancelled = Desktop.CancelModal([&] { bAfter = true; }); });
    Desktop.ShowErrorBox(nullptr, "a box nobody answers");
    EXPECT_TRUE(bCancelled);
    EXPECT_FALSE(bAfter);  // from the event loop, once the box's caller has gone on
    EXPECT_TRUE(QTest::qWaitFor([&] { return bAfter; }));
    EXPECT_FALSE(Desktop.CancelModal([] { ADD_FAILURE() << "nothing modal runs"; }));
}

}  // namespace
