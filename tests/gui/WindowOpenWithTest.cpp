// SPDX-License-Identifier: MIT
// Shell Execute and drag-out: both extract into the temporary folder first.

#include "WindowFixture.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

using GcfBuilder::SItem;

namespace
{

class WindowOpenWithTest : public WindowTest
{
protected:
    QString sTemp;

    void SetUp() override
    {
        WindowTest::SetUp();
        SItem NoData = SItem::File("nodata.txt", "");
        NoData.bNoData = true;
        SItem Short = SItem::File("short.txt", "ee");  // recorded as 5 bytes
        Short.bOverrideItemSize = true;
        Short.uiItemSize = 5;
        Start();
        sTemp = TempDirectory();
        Open(WriteArchive("open.gcf", SItem::Folder("r", {SItem::File("b.txt", "bytes of b"),
                                                          SItem::Folder("f", {SItem::File("c.txt", "c")}), NoData,
                                                          SItem::File("d.txt", "d"), Short})));
    }

    void Drag(QWidget *lpViewport, Qt::MouseButton eButton, QPoint From)
    {
        QTest::mousePress(lpViewport, eButton, {}, From);
        QTest::mouseMove(lpViewport, From + QPoint(30, 20));
        QTest::mouseRelease(lpViewport, eButton, {}, From + QPoint(30, 20));
    }
};

TEST_F(WindowOpenWithTest, ShellExecuteOpensTheExtractedFile)
{
    for (int iTime = 0; iTime < 2; ++iTime)  // the second copy replaces the first
    {
        Tree()->setCurrentItem(Node("root/b.txt"));
        Action("btnExecuteGCFTreeItem")->trigger();
    }
    ASSERT_EQ(Desktop.OpenedUrls.size(), 2u);
    EXPECT_EQ(Desktop.OpenedUrls[1].toLocalFile(), sTemp + "/b.txt");
    EXPECT_EQ(ConsoleLines().last(), "Wrote " + sTemp + "/b.txt (10 B).");
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());

    SelectRows({3, 0});
    Action("btnExecuteGCFListViewItem")->trigger();  // the first selected row
    ASSERT_EQ(Desktop.OpenedUrls.size(), 3u);
    EXPECT_EQ(Desktop.OpenedUrls[2].toLocalFile(), sTemp + "/b.txt");
    EXPECT_FALSE(Details()->selectionModel()->hasSelection());
}

TEST_F(WindowOpenWithTest, FailedShellExecuteShowsTheBox)
{
    Desktop.bOpenUrlSucceeds = false;
    SelectRows({3});
    Action("btnExecuteGCFListViewItem")->trigger();
    EXPECT_EQ(Desktop.ErrorBoxes, QStringList{"Failed to shell execute:\n" + sTemp +
                                              "/d.txt\n\nFile type has no default program associated with it."});
}

TEST_F(WindowOpenWithTest, TheBoxComesWhenTheDesktopAnswersAndNeverAfterTheWindowIsGone)
{
    Desktop.bOpenUrlSucceeds = false;
    Desktop.bOpenUrlAnswersLater = true;
    for (int iTime = 0; iTime < 2; ++iTime)
    {
        SelectRows({3});
        Action("btnExecuteGCFListViewItem")->trigger();
    }
    ASSERT_EQ(Desktop.LateFailures.size(), 2u);
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
    Desktop.LateFailures[0]();
    EXPECT_EQ(Desktop.ErrorBoxes.size(), 1);
    Window->close();
    Window.reset();
    Desktop.LateFailures[1]();
    EXPECT_EQ(Desktop.ErrorBoxes.size(), 1);
}

TEST_F(WindowOpenWithTest, FileWithoutDataOpensNothing)
{
    Tree()->setCurrentItem(Node("root/nodata.txt"));
    Action("btnExecuteGCFTreeItem")->trigger();
    EXPECT_EQ(ConsoleLines().last(), "Error writing nodata.txt (no physical data to write).");
    EXPECT_TRUE(Desktop.OpenedUrls.empty());
    EXPECT_TRUE(Desktop.ErrorBoxes.isEmpty());
}

TEST_F(WindowOpenWithTest, AFileWhoseSizeDiffersFromItsDataIsStillOpened)
{
    Tree()->setCurrentItem(Node("root/short.txt"));
    Action("btnExecuteGCFTreeItem")->trigger();
    EXPECT_EQ(ConsoleLines().last(), "Error writing " + sTemp + "/short.txt (2 B / 5 B written).");
    ASSERT_EQ(Desktop.OpenedUrls.size(), 1u);
    EXPECT_EQ(Desktop.OpenedUrls[0].toLocalFile(), sTemp + "/short.txt");
}

TEST_F(WindowOpenWithTest, RightButtonDragDoesNothing)
{
    const QStringList Before = ConsoleLines();
    Drag(Tree()->viewport(), Qt::RightButton, NodeCentre(Node("root/b.txt")));
    Drag(CurrentList()->viewport(), Qt::RightButton, RowCentre(0));
    EXPECT_TRUE(Desktop.Drags.empty());
    EXPECT_EQ(ConsoleLines(), Before);
    EXPECT_FALSE(QFileInfo::exists(sTemp + "/b.txt"));
}

TEST_F(WindowOpenWithTest, ListDragOffersExactlyTheOneItemItBeganOn)
{
    SelectRows({0, 3});
    QTest::mousePress(CurrentList()->viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(1));
    QTest::mouseMove(CurrentList()->viewport(), RowCentre(1) + QPoint(40, 30));
    QTest::mouseRelease(CurrentList()->viewport(), Qt::LeftButton, Qt::ControlModifier, RowCentre(1));
    ASSERT_EQ(Desktop.Drags.size(), 1u);
    const FakeDesktop::SDrag &Drag = Desktop.Drags[0];
    EXPECT_EQ(Drag.sSource, "lstGCFFileDetails");
    EXPECT_EQ(Drag.Formats, QStringList{"text/uri-list"});
    ASSERT_EQ(Drag.Urls.size(), 1);
    EXPECT_EQ(Drag.Urls[0].toLocalFile(), sTemp + "/f");  // a folder: no trailing separator
    EXPECT_EQ(Drag.eActions, Qt::DropActions(Qt::CopyAction));
    EXPECT_TRUE(QFileInfo(sTemp + "/f/c.txt").isFile());
    EXPECT_FALSE(QFileInfo::exists(sTemp + "/b.txt"));
}

TEST_F(WindowOpenWithTest, TreeDragExtractsBeforeItStarts)
{
    Node("root")->setExpanded(true);
    Drag(Tree()->viewport(), Qt::LeftButton, NodeCentre(Node("root/d.txt")));
    ASSERT_EQ(Desktop.Drags.size(), 1u);
    EXPECT_EQ(Desktop.Drags[0].sSource, "treGCFFile");
    ASSERT_EQ(Desktop.Drags[0].Urls.size(), 1);
    EXPECT_EQ(Desktop.Drags[0].Urls[0].toLocalFile(), sTemp + "/d.txt");
    QFile Extracted(sTemp + "/d.txt");
    ASSERT_TRUE(Extracted.open(QIODevice::ReadOnly));
    EXPECT_EQ(Extracted.readAll(), "d");
}

TEST_F(WindowOpenWithTest, WhatDoesNotFitTheTemporaryFolderIsNeitherWrittenNorOpened)
{
    Desktop.uiFreeBytes = 9;  // b.txt holds 10 bytes, the folder f 1
    const QStringList Before = ConsoleLines();
    Tree()->setCurrentItem(Node("root/b.txt"));
    Action("btnExecuteGCFTreeItem")->trigger();
    Drag(CurrentList()->viewport(), Qt::LeftButton, RowCentre(0));
    const QString sBox = "Not enough free space in " + sTemp + " for b.txt: 10 B needed, 9 B free.";
    EXPECT_EQ(Desktop.ErrorBoxes, (QStringList{sBox, sBox}));
    EXPECT_EQ(Desktop.FreeSpaceFolders, (QStringList{sTemp, sTemp}));
    EXPECT_TRUE(Desktop.OpenedUrls.empty());
    EXPECT_TRUE(Desktop.Drags.empty());
    EXPECT_EQ(ConsoleLines(), Before);
    EXPECT_TRUE(QDir(sTemp).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));

    Node("root")->setExpanded(true);
    Drag(Tree()->viewport(), Qt::LeftButton, NodeCentre(Node("root/f")));  // 1 byte fits
    EXPECT_EQ(Desktop.Drags.size(), 1u);
}

TEST_F(WindowOpenWithTest, AFolderWithAFileThatFailedIsNotDraggedAndItsCopyIsRemoved)
{
    Drag(Tree()->viewport(), Qt::LeftButton, NodeCentre(Node("root")));
    EXPECT_TRUE(Desktop.Drags.empty());
    const QStringList Lines = ConsoleLines();
    EXPECT_TRUE(Lines.contains("Error writing nodata.txt (no physical data to write)."));
    EXPECT_TRUE(Lines.contains("Deleted " + sTemp + "/root/b.txt."));
    EXPECT_EQ(Lines.last(), "Deleted " + sTemp + "/root.");
    EXPECT_TRUE(QDir(sTemp).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot));
}

TEST(LocalFileUrlTest, KeepsNameBytesThatAreNotUtf8)
{
    const QByteArray sPath("/tmp/caf\xE9 \xFF.txt");
    const QUrl Url = Larkspur::LocalFileUrl(sPath);
    EXPECT_EQ(QByteArray::fromPercentEncoding(Url.toEncoded()), "file://" + sPath);
    EXPECT_EQ(Larkspur::LocalFileUrl("/tmp/a b.txt").toLocalFile(), "/tmp/a b.txt");
}

}  // namespace
