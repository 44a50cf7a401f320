// SPDX-License-Identifier: MIT
// The folder tree and the item list: building them from the open archive,
// moving between folders, and the list's three views.

#include "window/CLarkspur.h"

#include "window/GCFTreeNode.h"
#include "window/ItemViews.h"
#include "window/LayoutRules.h"
#include "window/MenuRules.h"

#include <QHeaderView>
#include <QStackedWidget>

#include <algorithm>
#include <memory>

namespace Larkspur
{

bool CLarkspur::PopulateTree()
{
    // The walk refuses links that leave the directory or lead back to an
    // item already reached; with them the tree would never end.
    std::vector<SDirectoryWalkItem> Items;
    if (!Archive->WalkDirectory(0, Items))
        return false;

    // Painting resumes however the build ends, a failure included.
    treGCFFile->setUpdatesEnabled(false);
    const std::unique_ptr<QWidget, void (*)(QWidget *)> ResumeUpdates(
        treGCFFile, [](QWidget *lpTree) { lpTree->setUpdatesEnabled(true); });
    ClearTree();
    GCFTreeNode *Root = BuildGCFTree(*Archive, Items, NodesByIndex, TreeNodes);
    if (!Root)
        return false;
    // Qt gives every item added to a tree a slot of its own for each of the
    // tree's columns (some 60 bytes an item, 60 MB for a million items).
    // Added while the tree has no column, the nodes get none and need none:
    // their name and picture come from the node itself.
    treGCFFile->setColumnCount(0);
    treGCFFile->addTopLevelItem(Root);
    treGCFFile->setColumnCount(1);
    Root->setExpanded(true);
    PopulateList(Root);
    return true;
}

void CLarkspur::PopulateList(GCFTreeNode *Node)
{
    if (Node->GetTreeNodeType() != EItemType::Folder)
        return;
    std::vector<GCFListViewItem> Rows;
    Rows.reserve(size_t(Node->childCount()));
    for (int iChild = 0; iChild < Node->childCount(); ++iChild)
        Rows.push_back(MakeListViewItem(*Archive, Node->GetChildNode(iChild)));
    lstGCFFile->setUpdatesEnabled(false);
    ListModel->SetRows(std::move(Rows));
    UpdateListViewSizing();
    lstGCFFile->setUpdatesEnabled(true);
}

void CLarkspur::treGCFFile_AfterSelect()
{
    if (GCFTreeNode *Node = SelectedTreeNode())
        PopulateList(Node);
}

void CLarkspur::lstGCFFile_DoubleClick()
{
    const std::vector<int> Rows = SelectedListRows();
    if (Rows.empty())
        return;
    GCFTreeNode *Node = ListModel->Row(Rows.front()).GetTreeNode();
    if (Node->GetTreeNodeType() != EItemType::Folder)
        return;
    // Clearing first makes the selection change even when the node was the
    // selected one already, so the list is filled again.
    ClearTreeSelection();
    SelectTreeNode(Node);
}

void CLarkspur::btnGCFListViewItemGoToDirectory_Click()
{
    const std::vector<int> Rows = SelectedListRows();
    if (Rows.empty())
        return;
    if (GCFTreeNode *Parent = ListModel->Row(Rows.front()).GetTreeNode()->GetParentNode())
        SelectTreeNode(Parent);
}

void CLarkspur::btnIcons_Click()
{
    btnIcons->setChecked(true);
    lstGCFFileIcons->setViewMode(QListView::IconMode);
    lstGCFFileIcons->setFlow(QListView::LeftToRight);
    lstGCFFileIcons->setWrapping(true);
    lstGCFFileIcons->setIconSize(QSize(32, 32));
    lstGCFFileIcons->setGridSize(GCFListItemDelegate::IconGridSize(lstGCFFileIcons->fontMetrics()));
    lstGCFFileIcons->setWordWrap(true);
    // A name too long for its lines keeps its start.
    lstGCFFileIcons->setTextElideMode(Qt::ElideRight);
    lstGCFFile->setCurrentWidget(lstGCFFileIcons);
    UpdateListViewSizing();
}

void CLarkspur::btnList_Click()
{
    btnList->setChecked(true);
    // Small pictures with names, flowing down in columns.
    lstGCFFileIcons->setViewMode(QListView::ListMode);
    lstGCFFileIcons->setFlow(QListView::TopToBottom);
    lstGCFFileIcons->setWrapping(true);
    lstGCFFileIcons->setIconSize(QSize(16, 16));
    lstGCFFileIcons->setGridSize(QSize());
    lstGCFFileIcons->setWordWrap(false);
    // Long names keep their extension in view where a cell is narrower
    // than its name (never in a large folder, whose cells fit the longest).
    lstGCFFileIcons->setTextElideMode(Qt::ElideMiddle);
    lstGCFFile->setCurrentWidget(lstGCFFileIcons);
    UpdateListViewSizing();
}

void CLarkspur::UpdateListViewSizing()
{
    // Uniform item sizes make large folders fast to lay out: the view asks
    // for one size, which the delegate makes that of the longest name. The
    // Icons view's grid fixes the cells anyway.
    constexpr int LARGE_FOLDER_ROWS = 2000;
    const bool bUniform =
        lstGCFFileIcons->viewMode() == QListView::IconMode || ListModel->RowCount() > LARGE_FOLDER_ROWS;
    if (lstGCFFileIcons->uniformItemSizes() != bUniform)
        lstGCFFileIcons->setUniformItemSizes(bUniform);
}

void CLarkspur::btnDetails_Click()
{
    btnDetails->setChecked(true);
    lstGCFFile->setCurrentWidget(lstGCFFileDetails);
    lstGCFFile_Resize();
}

void CLarkspur::btnGCFTreeItemExpandAll_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    treGCFFile->setUpdatesEnabled(false);
    treGCFFile->ExpandAllBelow(Node);
    treGCFFile->setUpdatesEnabled(true);
    ClearTreeSelection();
}

void CLarkspur::btnGCFTreeItemCollapseAll_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    treGCFFile->setUpdatesEnabled(false);
    Node->setExpanded(false);
    treGCFFile->setUpdatesEnabled(true);
    ClearTreeSelection();
}

void CLarkspur::lstGCFFile_Resize()
{
    const SColumnWidths Widths = ColumnWidths(lstGCFFileDetails->viewport()->width(), ListModel->ShowsLocations());
    QHeaderView *lpHeader = lstGCFFileDetails->header();
    lpHeader->resizeSection(GCFListModel::colItemName, Widths.iName);
    lpHeader->resizeSection(GCFListModel::colItemSize, Widths.iSize);
    lpHeader->resizeSection(GCFListModel::colItemExt, Widths.iType);
    if (ListModel->ShowsLocations())
        lpHeader->resizeSection(GCFListModel::colItemLocation, Widths.iLocation);
}

// --- selection helpers ----------------------------------------------------------

GCFTreeNode *CLarkspur::SelectedTreeNode() const
{
    const QList<QTreeWidgetItem *> Selected = treGCFFile->selectedItems();
    return Selected.isEmpty() ? nullptr : static_cast<GCFTreeNode *>(Selected.first());
}

void CLarkspur::SelectTreeNode(GCFTreeNode *Node)
{
    treGCFFile->SelectAndReveal(Node);
}

void CLarkspur::ClearTree()
{
    // The nodes are taken from the tree and deleted from the deepest up:
    // the tree's own clearing deletes them recursively, as deep as the
    // archive's folders nest.
    if (!TreeNodes.empty())
    {
        treGCFFile->takeTopLevelItem(0);
        DestroyGCFTree(TreeNodes);
    }
    treGCFFile->clear();
    NodesByIndex.clear();
}

void CLarkspur::ClearTreeSelection()
{
    treGCFFile->selectionModel()->clear();
}

std::vector<int> CLarkspur::SelectedListRows() const
{
    std::vector<int> Rows;
    for (const QModelIndex &Index : lstGCFFileIcons->selectionModel()->selectedIndexes())
        Rows.push_back(Index.row());
    std::sort(Rows.begin(), Rows.end());
    Rows.erase(std::unique(Rows.begin(), Rows.end()), Rows.end());
    return Rows;
}

void CLarkspur::ClearListSelection()
{
    lstGCFFileIcons->selectionModel()->clearSelection();
}

}  // namespace Larkspur
