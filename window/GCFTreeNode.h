// SPDX-License-Identifier: MIT
#pragma once
// A node of the folder tree: one folder or file of the open archive, named by
// its directory index. The tree holds a node for every item, files included.
// A node keeps only its type and index; its name is read from the reader
// when it is shown, so a tree of a million items holds no copy of the names.

#include "window/ItemType.h"

#include <QString>
#include <QTreeWidgetItem>

#include <cstdint>
#include <vector>

namespace Larkspur
{

class IArchive;
struct SDirectoryWalkItem;

class GCFTreeNode : public QTreeWidgetItem
{
public:
    // Archive is the open archive's reader: the node lives only while the
    // archive is open.
    GCFTreeNode(const IArchive &Archive, EItemType TreeNodeType, uint32_t uiDirectoryIndex);

    EItemType GetTreeNodeType() const { return TreeNodeType; }
    uint32_t GetDirectoryIndex() const { return uiDirectoryIndex; }
    GCFTreeNode *GetParentNode() const { return static_cast<GCFTreeNode *>(parent()); }
    GCFTreeNode *GetChildNode(int iChild) const { return static_cast<GCFTreeNode *>(child(iChild)); }

    // The name and the picture come from the node itself rather than from a
    // per-node table of roles: with a hundred thousand nodes, that table is
    // most of the tree's build time and memory.
    QVariant data(int iColumn, int iRole) const override;

private:
    const IArchive &Archive;
    EItemType TreeNodeType;
    uint32_t uiDirectoryIndex;
};

// Builds the nodes of a directory walk (pre-order, each item with the slot of
// its folder) into one tree under a node named "root". The tree is finished
// before the caller shows it, so the tree's model is told about the whole
// archive once, when the root is added. NodesByIndex gets, for each
// directory index, its node (null for an index the walk did not reach);
// PreOrder gets the nodes in the walk's order. The caller owns the root.
GCFTreeNode *BuildGCFTree(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items,
                          std::vector<GCFTreeNode *> &NodesByIndex, std::vector<GCFTreeNode *> &PreOrder);

// Deletes a tree that no view holds any more, given its nodes in pre-order,
// without recursing through its depth.
void DestroyGCFTree(std::vector<GCFTreeNode *> &PreOrder);

}  // namespace Larkspur
