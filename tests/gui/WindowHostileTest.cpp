// SPDX-License-Identifier: MIT
// The window against a hostile archive or environment: the archive cut short
// while it is open, settings files that are FIFOs, devices or crafted, a
// dump.txt that is a link, names that would forge console lines.

#include "WindowFixture.h"

#include "tests/support/TestSupport.h"

#include <QFile>
#include <QGuiApplication>
#include <QMenu>
#include <QPushButton>
#include <QScreen>

#include <sys/stat.h>
#include <unistd.h>

namespace
{

using GcfBuilder::SItem;
using TestSupport::RunInChild;

class WindowHostileTest : public WindowTest
{
protected:
    QString ConfigPath() const { return ProgramFolder.filePath("larkspur.cfg"); }
    QString LogPath() const { return ProgramFolder.filePath("larkspur.log"); }
    void WriteConfig(const QByteArray &Bytes) const
    {
        QFile File(ConfigPath());
        ASSERT_TRUE(File.open(QIODevice::WriteOnly) && File.write(Bytes) == Bytes.size());
    }
};

// Cut short under the mapping: browsing and Properties go on from what was
// read at open; the extraction that meets the lost bytes stops, a message box
// says why, the archive is closed, and closing still writes settings and log.
TEST_F(WindowHostileTest, AnArchiveCutShortWhileOpenIsClosedWithAMessage)
{
    std::vector<SItem> Files;
    for (int i = 0; i < 4; ++i)
        Files.push_back(SItem::File("file" + std::to_string(i), GcfBuilder::PatternData(200000, i)));
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(SItem::Folder("root", {SItem::Folder("sub", Files)}));
    const QString sArchive = WriteArchive("cut.gcf", Archive);
    EXPECT_EQ(RunInChild([&] {
                  Start();
                  Open(sArchive);
                  // Rewritten in place first: every count, name and link of
                  // the directory at its largest.
                  {
                      const qint64 iStart = Archive.Layout.uiDirectoryHeader;
                      const qint64 iLength = Archive.Layout.uiChecksumHeader - iStart;
                      QFile File(sArchive);
                      ASSERT_TRUE(File.open(QIODevice::ReadWrite) && File.seek(iStart));
                      ASSERT_EQ(File.write(QByteArray(iLength, '\xFF')), iLength);
                  }
                  ASSERT_TRUE(::truncate(QFile::encodeName(sArchive).constData(), Archive.Layout.uiDataStart + 8192) == 0);

                  Tree()->setCurrentItem(Node("root/sub"));
                  EXPECT_EQ(ListModel()->rowCount(), 4);
                  Action("btnGCFTreeItemProperties")->trigger();
                  EXPECT_EQ(Desktop.iDialogs, 1);

                  Desktop.sFolder = WorkFolder.filePath("out");
                  Action("btnExtractGCFTreeItem")->trigger();
                  const QString sBox = "Could not read:\n" + sArchive + "\n\nError:\nThe file was cut short while it was open.";
                  EXPECT_TRUE(QTest::qWaitFor([&] { return !Desktop.ErrorBoxes.isEmpty(); }));
                  EXPECT_EQ(Desktop.ErrorBoxes, QStringList{sBox});
                  const QStringList Lines = ConsoleLines();
                  EXPECT_TRUE(Lines.contains("Error writing " + WorkFolder.filePath("out") +
                                             "/sub/file0 (the archive was cut short while it was open)."))
                      << Lines.join('\n').toStdString();
                  EXPECT_EQ(Lines.last(), sArchive + " closed.");
                  EXPECT_EQ(Window->windowTitle(), "Larkspur");

                  Window->close();
                  Window.reset();
                  EXPECT_TRUE(QFile(ConfigPath()).size() > 0);
                  EXPECT_TRUE(QFile(LogPath()).size() > 0);
              }),
              0);
}

// Open with meets the lost bytes too: no program is started, same message.
TEST_F(WindowHostileTest, OpenWithOnAnArchiveCutShortOpensNothing)
{
    const GcfBuilder::SArchive Archive =
        GcfBuilder::Build(SItem::Folder("root", {SItem::File("big", GcfBuilder::PatternData(300000, 1))}));
    const QString sArchive = WriteArchive("cut.gcf", Archive);
    Start();
    Open(sArchive);
    ASSERT_EQ(::truncate(QFile::encodeName(sArchive).constData(), Archive.Layout.uiDataStart), 0);
    Tree()->setCurrentItem(Node("root/big"));
    Action("btnExecuteGCFTreeItem")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Desktop.ErrorBoxes.isEmpty(); }));
    EXPECT_TRUE(Desktop.OpenedUrls.empty());
    EXPECT_EQ(ConsoleLines().last(), sArchive + " closed.");
}

// The preview pane and the checksums of Properties meet the lost bytes too:
// each shows what it read, then the same message closes the archive.
TEST_F(WindowHostileTest, PreviewAndChecksumsOnAnArchiveCutShortCloseIt)
{
    const GcfBuilder::SArchive Archive =
        GcfBuilder::Build(SItem::Folder("root", {SItem::File("big", GcfBuilder::PatternData(300000, 1))}));
    const QString sArchive = WriteArchive("cut.gcf", Archive);
    const QString sBox = "Could not read:\n" + sArchive + "\n\nError:\nThe file was cut short while it was open.";
    Start();
    const auto OpenCutShort = [&] {
        ASSERT_TRUE(GcfBuilder::WriteFile(sArchive.toStdString(), Archive.Bytes));
        Open(sArchive);
        ASSERT_EQ(::truncate(QFile::encodeName(sArchive).constData(), Archive.Layout.uiDataStart), 0);
        Desktop.ErrorBoxes.clear();
    };

    OpenCutShort();
    Action("btnPreview")->trigger();
    Tree()->setCurrentItem(Node("root/big"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Desktop.ErrorBoxes.isEmpty(); }));
    EXPECT_EQ(Desktop.ErrorBoxes, QStringList{sBox});
    EXPECT_EQ(ConsoleLines().last(), sArchive + " closed.");
    Action("btnPreview")->trigger();

    OpenCutShort();
    Tree()->setCurrentItem(Node("root/big"));
    Desktop.OnDialog = [](QDialog &Dialog) {
        Dialog.findChild<QPushButton *>(QStringLiteral("btnCompute"))->click();
        return int(QDialog::Accepted);
    };
    Action("btnGCFTreeItemProperties")->trigger();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Desktop.ErrorBoxes.isEmpty(); }));
    EXPECT_EQ(Desktop.ErrorBoxes, QStringList{sBox});
    EXPECT_EQ(ConsoleLines().last(), sArchive + " closed.");
}

// A path holding a line break never reaches the settings file; a file of
// crafted lines adds none of its own: huge or overlong values are dropped,
// the window fits its screen, and a 50 MB recent entry is not kept.
TEST_F(WindowHostileTest, CraftedSettingsCannotPlaceTheWindowOffScreenOrAddLines)
{
    const QString sNewline = WriteArchive("x\nForms.Main.Location.X = -30000\n.gcf", MixedTree());
    WriteConfig("Forms.Main.Size.Width = 2147483647\r\nForms.Main.Size.Height = 2147483647\r\n"
                "Forms.Main.Location.X = -30000\r\nForms.Main.Location.Y = -30000\r\n"
                "RecentFiles.GCF = /" + QByteArray(50 << 20, 'r') + "\r\n");
    Start();
    const QRect Screen = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_LE(Window->width(), Screen.width());
    EXPECT_LE(Window->height(), Screen.height());
    EXPECT_TRUE(Screen.intersects(Window->geometry())) << Window->x() << "," << Window->y();
    EXPECT_TRUE(Child<QMenu>("btnRecentFiles")->actions().isEmpty());

    Open(sNewline);
    EXPECT_TRUE(Child<QMenu>("btnRecentFiles")->actions().isEmpty());
    Window->close();
    Window.reset();
    QFile File(ConfigPath());
    ASSERT_TRUE(File.open(QIODevice::ReadOnly));
    const QByteArray Saved = File.readAll();
    EXPECT_FALSE(Saved.contains("-30000"));
    EXPECT_FALSE(Saved.contains("RecentFiles.GCF ="));
    EXPECT_FALSE(Saved.contains("2147483647"));
}

// larkspur.cfg as a FIFO or a link to /dev/zero, larkspur.log as a FIFO:
// the window starts and closes all the same (in a child with a time limit,
// as a read or write that waited would never end).
TEST_F(WindowHostileTest, SettingsAndLogThatAreNoFilesAreLeftAlone)
{
    for (const bool bFifo : {true, false})
    {
        SCOPED_TRACE(bFifo ? "FIFO" : "/dev/zero");
        QFile::remove(ConfigPath());
        QFile::remove(LogPath());
        if (bFifo)
            ASSERT_EQ(::mkfifo(QFile::encodeName(ConfigPath()).constData(), 0644), 0);
        else
            ASSERT_EQ(::symlink("/dev/zero", QFile::encodeName(ConfigPath()).constData()), 0);
        ASSERT_EQ(::mkfifo(QFile::encodeName(LogPath()).constData(), 0644), 0);
        EXPECT_EQ(RunInChild([&] {
                      Start();
                      CStandardErrorCapture Captured;
                      Window->close();
                      Window.reset();
                      const QString sError = Captured.Text();
                      EXPECT_TRUE(sError.contains("larkspur: Could not write the log " + LogPath() + " ("))
                          << sError.toStdString();
                  },
                             20),
                  0);
    }
}

// The window still leaves dump.txt for a refused archive, but never through
// a link: a dump.txt that is a link is left as it is.
TEST_F(WindowHostileTest, TheDumpIsNeverWrittenThroughALink)
{
    std::vector<uint8_t> Refused(64, 0);
    GcfBuilder::SArchive Bad;
    Bad.Bytes = Refused;
    const QString sBad = WriteArchive("bad.gcf", Bad);
    const QString sNotes = WorkFolder.filePath("notes.txt");
    {
        QFile Notes(sNotes);
        ASSERT_TRUE(Notes.open(QIODevice::WriteOnly) && Notes.write("my notes") == 8);
    }
    ASSERT_TRUE(QFile::link(sNotes, WorkFolder.filePath("dump.txt")));
    Start();
    Open(sBad);
    EXPECT_EQ(Desktop.ErrorBoxes.size(), 1);
    QFile Notes(sNotes);
    ASSERT_TRUE(Notes.open(QIODevice::ReadOnly));
    EXPECT_EQ(Notes.readAll(), "my notes");
    EXPECT_EQ(QFileInfo(WorkFolder.filePath("dump.txt")).symLinkTarget(), sNotes);
}

// A name that would forge a second console line shows as one line; DEL and
// the C1 controls (UTF-8 or a raw byte) show as "?" too.
TEST_F(WindowHostileTest, ConsoleLinesShowControlCharactersAsQuestionMarks)
{
    const QString sArchive = WriteArchive(
        "names.gcf", SItem::Folder("root", {SItem::File("two\nlines\x1b[2J", "x"), SItem::File("del\x7f", "x"),
                                            SItem::File("c1 \xc2\x9b" "31m", "x"), SItem::File("raw \x85", "x")}));
    Start();
    Open(sArchive);
    Desktop.sFolder = WorkFolder.filePath("out");
    Tree()->setCurrentItem(Node("root"));
    Action("btnExtractGCFTreeItem")->trigger();
    for (const char *szShown : {"two?lines?[2J", "del?", "c1 ?31m", "raw ?"})
        EXPECT_TRUE(ConsoleLines().contains("Wrote " + WorkFolder.filePath("out") + "/root/" + szShown + " (1 B)."))
            << ConsoleLines().join('\n').toStdString();
    EXPECT_TRUE(QFile::exists(WorkFolder.filePath("out") + "/root/two\nlines\x1b[2J"));
}

}  // namespace
