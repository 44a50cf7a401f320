// SPDX-License-Identifier: MIT
// The folder tree and the item list: building, navigation, the three views
// and the column widths.

#include "WindowFixture.h"

#include "window/LayoutRules.h"

#include <QHeaderView>
#include <QApplication>
#include <QLineEdit>
#include <QListView>

using GcfBuilder::SItem;

namespace
{

class WindowTreeTest : public WindowTest
{
protected:
    void OpenMixed()
    {
        Start();
        Open(WriteArchive("mixed.gcf", MixedTree()));
    }

    static QStringList ChildTexts(QTreeWidgetItem *lpItem)
    {
        QStringList Texts;
        for (int iChild = 0; iChild < lpItem->childCount(); ++iChild)
            Texts.append(lpItem->child(iChild)->text(0));
        return Texts;
    }
};

TEST_F(WindowTreeTest, TreeAndListKeepTheArchivesOrder)
{
    OpenMixed();
    QTreeWidgetItem *lpRoot = Tree()->topLevelItem(0);
    EXPECT_EQ(lpRoot->text(0), "root");
    EXPECT_EQ(ChildTexts(lpRoot), (QStringList{"b.txt", "a", "a", "empty", "z.bsp"}));
    EXPECT_EQ(ChildTexts(lpRoot->child(1)), QStringList{"inner.txt"});
    EXPECT_EQ(ListRows(), (QStringList{"b.txt|12 B|Text File", "a|1 Item|Folder", "a|23 B|File",
                                       "empty|0 Items|Folder", "z.bsp|2.00 KB|Half-Life Level"}));
    auto *lpFolder = static_cast<Larkspur::GCFTreeNode *>(lpRoot->child(1));
    auto *lpFile = static_cast<Larkspur::GCFTreeNode *>(lpRoot->child(2));
    EXPECT_EQ(lpFolder->GetTreeNodeType(), Larkspur::EItemType::Folder);
    EXPECT_EQ(lpFile->GetTreeNodeType(), Larkspur::EItemType::File);
    EXPECT_EQ(lpFolder->GetDirectoryIndex(), 2u);
    EXPECT_EQ(lpFile->GetDirectoryIndex(), 4u);
}

TEST_F(WindowTreeTest, FolderNodesTurnToTheOpenPictureWhileSelected)
{
    OpenMixed();
    const auto Picture = [](QTreeWidgetItem *lpItem, QIcon::Mode eMode) {
        return lpItem->icon(0).pixmap(16, 16, eMode).toImage();
    };
    QTreeWidgetItem *lpFolder = Node("root/a");
    QTreeWidgetItem *lpFile = Node("root/b.txt");
    EXPECT_NE(Picture(lpFolder, QIcon::Normal), Picture(lpFolder, QIcon::Selected));
    EXPECT_EQ(Picture(lpFile, QIcon::Normal), Picture(lpFile, QIcon::Selected));
    EXPECT_NE(Picture(lpFolder, QIcon::Normal), Picture(lpFile, QIcon::Normal));
    EXPECT_EQ(Details()->model()->index(1, 0).data(Qt::DecorationRole).value<QIcon>().pixmap(16, 16).toImage(),
              Picture(lpFolder, QIcon::Normal));
}

TEST_F(WindowTreeTest, FolderSizeCountsItemsWithoutGrouping)
{
    std::vector<SItem> Many;
    for (int iFile = 0; iFile < 1234; ++iFile)
        Many.push_back(SItem::File("f" + std::to_string(iFile), ""));
    Start();
    Open(WriteArchive("many.gcf", SItem::Folder("r", {SItem::Folder("many", Many)})));
    EXPECT_EQ(ListRows(), QStringList{"many|1234 Items|Folder"});
}

TEST_F(WindowTreeTest, EmptyRootShowsOnlyRoot)
{
    Start();
    Open(WriteArchive("empty.gcf", SItem::Folder("r")));
    ASSERT_EQ(Tree()->topLevelItemCount(), 1);
    EXPECT_EQ(Tree()->topLevelItem(0)->childCount(), 0);
    EXPECT_EQ(ListModel()->rowCount(), 0);
}

TEST_F(WindowTreeTest, SelectingAFolderListsItAndAFileChangesNothing)
{
    OpenMixed();
    Tree()->setCurrentItem(Node("root/a"));
    EXPECT_EQ(ListRows(), QStringList{"inner.txt|1 B|Text File"});
    Tree()->setCurrentItem(Node("root/b.txt"));
    EXPECT_EQ(ListRows(), QStringList{"inner.txt|1 B|Text File"});
}

TEST_F(WindowTreeTest, DoubleClickOnAFolderRowSelectsAndRevealsItsNode)
{
    Start();
    Open(WriteArchive("deep.gcf", SItem::Folder("r", {SItem::Folder("x", {SItem::Folder("y", {SItem::File("f", "1")})}),
                                                       SItem::File("g", "2")})));
    Tree()->setCurrentItem(Node("root/x"));
    Node("root/x")->setExpanded(false);
    QTest::mouseClick(CurrentList()->viewport(), Qt::LeftButton, {}, RowCentre(0));
    QTest::mouseDClick(CurrentList()->viewport(), Qt::LeftButton, {}, RowCentre(0));
    EXPECT_EQ(SelectedNodeText(), "y");
    EXPECT_TRUE(Node("root/x")->isExpanded());
    EXPECT_EQ(ListRows(), QStringList{"f|1 B|File"});

    // A file row: nothing happens.
    QTest::mouseClick(CurrentList()->viewport(), Qt::LeftButton, {}, RowCentre(0));
    QTest::mouseDClick(CurrentList()->viewport(), Qt::LeftButton, {}, RowCentre(0));
    EXPECT_EQ(SelectedNodeText(), "y");
    EXPECT_EQ(ListRows(), QStringList{"f|1 B|File"});
}

TEST_F(WindowTreeTest, GoToDirectoryUsesTheFirstSelectedRow)
{
    OpenMixed();
    // Right after opening no node is selected: the root's rows lead to root.
    SelectRows({3, 1});
    Action("btnGCFListViewItemGoToDirectory")->trigger();
    EXPECT_EQ(SelectedNodeText(), "root");
    EXPECT_EQ(ListModel()->rowCount(), 5);

    Tree()->setCurrentItem(Node("root/a"));
    Tree()->clearSelection();
    SelectRows({0});
    Action("btnGCFListViewItemGoToDirectory")->trigger();
    EXPECT_EQ(SelectedNodeText(), "a");
    EXPECT_EQ(ListRows(), QStringList{"inner.txt|1 B|Text File"});
}

TEST_F(WindowTreeTest, ExpandAllAndCollapseAllClearTheSelection)
{
    Start();
    Open(WriteArchive("deep.gcf", SItem::Folder("r", {SItem::Folder("x", {SItem::Folder("y", {SItem::Folder("z")})}),
                                                       SItem::Folder("w", {SItem::File("f", "1")})})));
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    Action("btnGCFTreeItemExpandAll")->trigger();
    for (const char *szPath : {"root", "root/x", "root/x/y", "root/w"})
        EXPECT_TRUE(Node(szPath)->isExpanded()) << szPath;
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_EQ(ListModel()->rowCount(), 2);

    Tree()->setCurrentItem(Node("root/x"));
    Action("btnGCFTreeItemCollapseAll")->trigger();
    EXPECT_FALSE(Node("root/x")->isExpanded());
    EXPECT_TRUE(Node("root")->isExpanded());
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_EQ(ListRows(), QStringList{"y|1 Item|Folder"});
}

TEST_F(WindowTreeTest, ViewsShareRowsSelectionAndOneCheckMark)
{
    OpenMixed();
    SelectRows({1, 4});
    const QStringList Rows = ListRows();
    struct SView
    {
        const char *szAction;
        const char *szPage;
        QListView::ViewMode eMode;
    };
    for (const SView &View : {SView{"btnIcons", "lstGCFFileIcons", QListView::IconMode},
                              SView{"btnList", "lstGCFFileIcons", QListView::ListMode},
                              SView{"btnDetails", "lstGCFFileDetails", QListView::ListMode}})
    {
        SCOPED_TRACE(View.szAction);
        Action(View.szAction)->trigger();
        EXPECT_EQ(CurrentList()->objectName(), View.szPage);
        if (auto *lpListView = qobject_cast<QListView *>(CurrentList()))
        {
            EXPECT_EQ(lpListView->viewMode(), View.eMode);
        }
        for (const char *szOther : {"btnIcons", "btnList", "btnDetails"})
        {
            EXPECT_EQ(Action(szOther)->isChecked(), QLatin1String(szOther) == QLatin1String(View.szAction));
        }
        EXPECT_EQ(ListRows(), Rows);
        QList<int> Selected;
        for (const QModelIndex &Index : CurrentList()->selectionModel()->selectedRows())
            Selected.append(Index.row());
        std::sort(Selected.begin(), Selected.end());
        EXPECT_EQ(Selected, (QList<int>{1, 4}));
    }
}

TEST_F(WindowTreeTest, ColumnsFollowTheListsWidth)
{
    OpenMixed();
    for (const int iWidth : {700, 452, 1000})
    {
        Window->resize(iWidth, Window->height());
        // QTRY_* only returns from the function when it fails, which a
        // GoogleTest body does not notice; wait, then compare.
        EXPECT_TRUE(QTest::qWaitFor([&] {
            return Details()->header()->sectionSize(0) == Larkspur::ColumnWidths(Details()->viewport()->width()).iName;
        }));
        const Larkspur::SColumnWidths Widths = Larkspur::ColumnWidths(Details()->viewport()->width());
        EXPECT_EQ(Details()->header()->sectionSize(1), Widths.iSize);
        EXPECT_EQ(Details()->header()->sectionSize(2), Widths.iType);
    }
}

TEST_F(WindowTreeTest, StatusPanelsShareTheBarsWidthEdgeToEdge)
{
    Start();
    QWidget *lpBar = Child<QWidget>("barMain");
    QLabel *Panels[] = {Child<QLabel>("pnlFile"), Child<QLabel>("pnlFileSize"), Child<QLabel>("pnlGCFVersion"),
                        Child<QLabel>("pnlUsedBlocks")};
    // A path far wider than its panel must not push the others aside.
    Panels[0]->setText(QString(400, QLatin1Char('x')));
    const auto InBar = [lpBar](QLabel *lpPanel) { return QRect(lpPanel->mapTo(lpBar, QPoint()), lpPanel->size()); };
    for (const int iWidth : {600, 1000, 1601, 452})
    {
        SCOPED_TRACE(iWidth);
        Window->resize(iWidth, Window->height());
        // What stays free is QStatusBar's own margin and the rounding of the fifths.
        const auto Free = [&] { return lpBar->contentsRect().width() - 5 * Panels[1]->width(); };
        EXPECT_TRUE(QTest::qWaitFor([&] { return lpBar->width() == Window->width() && Free() >= 0 && Free() <= 8; }))
            << Free();
        const int iFifth = Panels[1]->width();
        EXPECT_EQ(InBar(Panels[0]).width(), 2 * iFifth);
        EXPECT_GE(InBar(Panels[0]).left(), lpBar->contentsRect().left());
        for (int iPanel = 1; iPanel < 4; ++iPanel)
        {
            EXPECT_EQ(InBar(Panels[iPanel]).width(), iFifth) << iPanel;
            EXPECT_EQ(InBar(Panels[iPanel]).left(), InBar(Panels[iPanel - 1]).right() + 1) << iPanel;
        }
        EXPECT_LE(InBar(Panels[3]).right(), lpBar->contentsRect().right());
    }
}

// A crafted archive whose folders nest a hundred thousand deep: opening,
// expanding, selecting the deepest folder and closing must neither recurse
// through the depth nor take quadratic time.
TEST_F(WindowTreeTest, DeeplyNestedFoldersNeverRecurseThroughTheirDepth)
{
    using GcfBuilder::EDirField;
    constexpr uint32_t DEPTH = 100000;
    GcfBuilder::SArchive Archive = GcfBuilder::Build(SItem::Folder("r", std::vector<SItem>(DEPTH, SItem::Folder("d"))));
    for (uint32_t uiIndex = 1; uiIndex <= DEPTH; ++uiIndex)  // relink the siblings into one chain
    {
        GcfBuilder::SetDirectoryField(Archive, uiIndex, EDirField::NextSibling, 0);
        GcfBuilder::SetDirectoryField(Archive, uiIndex, EDirField::FirstChild, uiIndex < DEPTH ? uiIndex + 1 : 0);
        GcfBuilder::SetDirectoryField(Archive, uiIndex, EDirField::Parent, uiIndex - 1);
    }
    Start();
    Open(WriteArchive("deep.gcf", Archive));
    ASSERT_TRUE(Desktop.ErrorBoxes.isEmpty());

    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    Action("btnGCFTreeItemExpandAll")->trigger();
    QTreeWidgetItem *lpDeepest = Tree()->topLevelItem(0);
    int iOpenLevels = 0;
    for (; lpDeepest->childCount() > 0; lpDeepest = lpDeepest->child(0))
        iOpenLevels += lpDeepest->isExpanded() ? 1 : 0;
    EXPECT_GT(iOpenLevels, 100);
    QApplication::processEvents();  // lays the open folders out and paints them

    // Found by a search, the deepest folder leads to the one that holds it.
    Desktop.OnDialog = [](QDialog &Find) {
        Find.findChild<QLineEdit *>("txtFind")->setText("d");
        return int(QDialog::Accepted);
    };
    Action("btnFind")->trigger();
    ASSERT_EQ(ListModel()->rowCount(), int(DEPTH));
    SelectRows({int(DEPTH) - 1});
    Action("btnGCFListViewItemGoToDirectory")->trigger();
    EXPECT_EQ(Tree()->selectedItems().value(0), lpDeepest->parent());

    QTest::keyClick(Tree(), Qt::Key_Asterisk);
    Window->close();
    EXPECT_EQ(Tree()->topLevelItemCount(), 0);
}

}  // namespace
