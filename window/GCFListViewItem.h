// SPDX-License-Identifier: MIT
#pragma once
// A row of the item list: one folder or file, tied to the tree node of the
// same archive item. The row asks its node for the directory index. Its three
// texts and its picture are fixed when it is made, so that painting and
// switching views never go back to the archive.

#include "window/ItemType.h"

#include <QString>

#include <cstdint>

namespace Larkspur
{

class IArchive;
class GCFTreeNode;

class GCFListViewItem
{
public:
    // iItemSize is the directory entry's item size: a file's bytes, or a
    // folder's number of items.
    GCFListViewItem(const QString &sName, EItemType ListViewItemType, uint32_t iItemSize, GCFTreeNode *TreeNode);

    EItemType GetListViewItemType() const { return ListViewItemType; }
    uint32_t GetDirectoryIndex() const;
    GCFTreeNode *GetTreeNode() const { return TreeNode; }

    const QString &GetName() const { return sName; }
    const QString &GetSizeText() const { return sSize; }  // "12 Items", "1.50 KB"
    const QString &GetTypeText() const { return sType; }  // "Folder", "Text File"
    uint32_t GetItemSize() const { return uiItemSize; }

private:
    GCFTreeNode *TreeNode;  // owned by the tree
    EItemType ListViewItemType;
    QString sName;
    QString sSize;
    QString sType;
    uint32_t uiItemSize;  // kept for sorting by size
};

// The row for a node, with the name, kind and size asked of the reader again.
GCFListViewItem MakeListViewItem(const IArchive &Archive, GCFTreeNode *TreeNode);

}  // namespace Larkspur
