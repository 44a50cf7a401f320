// SPDX-License-Identifier: MIT
#include "window/GCFListViewItem.h"

#include "window/GCFTreeNode.h"
#include "window/ItemTexts.h"

namespace Larkspur
{

GCFListViewItem::GCFListViewItem(const QString &sName, EItemType ListViewItemType, uint32_t iItemSize,
                                 GCFTreeNode *TreeNode)
    : TreeNode(TreeNode), ListViewItemType(ListViewItemType), sName(sName),
      sSize(ItemSizeText(ListViewItemType, iItemSize)), sType(ItemTypeText(ListViewItemType, sName)),
      uiItemSize(iItemSize)
{
}

uint32_t GCFListViewItem::GetDirectoryIndex() const
{
    return TreeNode->GetDirectoryIndex();
}

GCFListViewItem MakeListViewItem(const IArchive &Archive, GCFTreeNode *TreeNode)
{
    const SItemRow Row = ReadItemRow(Archive, TreeNode->GetDirectoryIndex());
    return GCFListViewItem(Row.sName, Row.eType, Row.uiItemSize, TreeNode);
}

}  // namespace Larkspur
