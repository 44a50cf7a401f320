// SPDX-License-Identifier: MIT
#include "window/GCFTreeNode.h"

#include "archive/IArchive.h"
#include "window/Images.h"
#include "window/Utils.h"

namespace Larkspur
{

GCFTreeNode::GCFTreeNode(const IArchive &Archive, EItemType TreeNodeType, uint32_t uiDirectoryIndex)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), Archive(Archive), TreeNodeType(TreeNodeType),
      uiDirectoryIndex(uiDirectoryIndex)
{
}

QVariant GCFTreeNode::data(int iColumn, int iRole) const
{
    if (iColumn == 0)
    {
        // The reader names index 0, the root, "root".
        if (iRole == Qt::DisplayRole || iRole == Qt::EditRole)
            return Utils::DecodeName(Archive.GetDirectoryItemName(uiDirectoryIndex));
        if (iRole == Qt::DecorationRole)
            return TreeNodeImage(TreeNodeType);
    }
    return QTreeWidgetItem::data(iColumn, iRole);
}

GCFTreeNode *BuildGCFTree(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items,
                          std::vector<GCFTreeNode *> &NodesByIndex, std::vector<GCFTreeNode *> &PreOrder)
{
    NodesByIndex.assign(Archive.GetItemCount(), nullptr);
    PreOrder.clear();
    if (Items.empty())
        return nullptr;

    // The nodes in the walk's order (null where the walk's record is bad),
    // then each folder's items side by side in one array: slot s's items
    // are Children[First[s] .. First[s + 1]). No list per slot is kept: with
    // a million items those lists were most of the build's memory.
    std::vector<GCFTreeNode *> Nodes(Items.size(), nullptr);
    std::vector<uint32_t> First(Items.size() + 1, 0);
    PreOrder.reserve(Items.size());
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        const uint32_t uiParentSlot = Items[uiSlot].uiParentSlot;
        // Every item of a walk that succeeded lies below the root.
        if (uiSlot > 0 && (uiParentSlot >= uiSlot || !Nodes[uiParentSlot]))
            continue;
        const uint32_t uiIndex = Items[uiSlot].uiDirectoryIndex;
        const EItemType eType = uiSlot == 0 || Archive.IsFolder(uiIndex) ? EItemType::Folder : EItemType::File;
        Nodes[uiSlot] = new GCFTreeNode(Archive, eType, uiIndex);
        PreOrder.push_back(Nodes[uiSlot]);
        if (uiIndex < NodesByIndex.size())
            NodesByIndex[uiIndex] = Nodes[uiSlot];
        if (uiSlot > 0)
            ++First[uiParentSlot + 1];
    }
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
        First[uiSlot + 1] += First[uiSlot];
    std::vector<QTreeWidgetItem *> Children(First.back());
    {
        std::vector<uint32_t> Next(First.begin(), First.end() - 1);
        for (size_t uiSlot = 1; uiSlot < Items.size(); ++uiSlot)
        {
            if (Nodes[uiSlot])
                Children[Next[Items[uiSlot].uiParentSlot]++] = Nodes[uiSlot];
        }
    }
    // Qt visits the whole subtree of every item it adds to a folder, so the
    // folders are filled from the root down, while their items still hold
    // nothing: that keeps the build linear however deep the folders go. The
    // tree is not shown yet, so no view hears of any of it.
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        if (Nodes[uiSlot] && First[uiSlot] != First[uiSlot + 1])
            Nodes[uiSlot]->addChildren(
                QList<QTreeWidgetItem *>(Children.begin() + First[uiSlot], Children.begin() + First[uiSlot + 1]));
    }
    return Nodes[0];
}

void DestroyGCFTree(std::vector<GCFTreeNode *> &PreOrder)
{
    // From the deepest items up, each folder lets go of items that hold
    // nothing any more; deleting the root at once would recurse as deep as
    // the folders go.
    for (size_t uiNode = PreOrder.size(); uiNode-- > 0;)
    {
        for (QTreeWidgetItem *lpChild : PreOrder[uiNode]->takeChildren())
            delete lpChild;
    }
    if (!PreOrder.empty())
        delete PreOrder.front();
    PreOrder.clear();
}

}  // namespace Larkspur
