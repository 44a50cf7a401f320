#include "window/GCFTreeNode.h"

#include "archive/CGCF.h"
#include "window/Images.h"
#include "window/Utils.h"

namespace Larkspur
{

GCFTreeNode::GCFTreeNode(const QString &sName, EItemType TreeNodeType, uint32_t uiDirectoryIndex)
    : QTreeWidgetItem(QTreeWidgetItem::UserType), sName(sName), TreeNodeType(TreeNodeType),
      uiDirectoryIndex(uiDirectoryIndex)
{
}

QVariant GCFTreeNode::data(int iColumn, int iRole) const
{
    if (iColumn == 0)
    {
        if (iRole == Qt::DisplayRole || iRole == Qt::EditRole)
            return sName;
        if (iRole == Qt::DecorationRole)
            return TreeNodeImage(TreeNodeType);
    }
    return QTreeWidgetItem::data(iColumn, iRole);
}

QString FolderLocation(const GCFTreeNode *Node)
{
    std::vector<const GCFTreeNode *> Folders;
    for (const GCFTreeNode *Folder = Node->GetParentNode(); Folder; Folder = Folder->GetParentNode())
        Folders.push_back(Folder);
    QString sLocation;
    for (auto Folder = Folders.rbegin(); Folder != Folders.rend(); ++Folder)
        sLocation += QLatin1Char('\\') + (*Folder)->text(0);
    return sLocation;
}

GCFTreeNode *BuildGCFTree(const CGCF &GCFFile, const std::vector<SDirectoryWalkItem> &Items,
                          std::vector<GCFTreeNode *> &NodesByIndex, std::vector<GCFTreeNode *> &PreOrder)
{
    NodesByIndex.assign(GCFFile.GetItemCount(), nullptr);
    PreOrder.clear();
    if (Items.empty())
        return nullptr;

    std::vector<GCFTreeNode *> Nodes(Items.size(), nullptr);
    // Each folder's list of children is sized once, not grown item by item.
    std::vector<QList<QTreeWidgetItem *>> Children(Items.size());
    {
        std::vector<uint32_t> ChildCounts(Items.size(), 0);
        for (size_t uiSlot = 1; uiSlot < Items.size(); ++uiSlot)
        {
            if (Items[uiSlot].uiParentSlot < uiSlot)
                ++ChildCounts[Items[uiSlot].uiParentSlot];
        }
        for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
        {
            if (ChildCounts[uiSlot] != 0)
                Children[uiSlot].reserve(ChildCounts[uiSlot]);
        }
    }
    PreOrder.reserve(Items.size());
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        const uint32_t uiParentSlot = Items[uiSlot].uiParentSlot;
        // Every item of a walk that succeeded lies below the root.
        if (uiSlot > 0 && (uiParentSlot >= uiSlot || !Nodes[uiParentSlot]))
            continue;
        const uint32_t uiIndex = Items[uiSlot].uiDirectoryIndex;
        const EItemType eType = uiSlot == 0 || GCFFile.IsFolder(uiIndex) ? EItemType::Folder : EItemType::File;
        // The reader names index 0, where the walk starts, "root".
        const QString sName = Utils::DecodeName(GCFFile.GetDirectoryItemName(uiIndex));
        Nodes[uiSlot] = new GCFTreeNode(sName, eType, uiIndex);
        PreOrder.push_back(Nodes[uiSlot]);
        if (uiIndex < NodesByIndex.size())
            NodesByIndex[uiIndex] = Nodes[uiSlot];
        if (uiSlot > 0)
            Children[uiParentSlot].append(Nodes[uiSlot]);
    }
    // Qt visits the whole subtree of every item it adds to a folder, so the
    // folders are filled from the root down, while their items still hold
    // nothing: that keeps the build linear however deep the folders go. The
    // tree is not shown yet, so no view hears of any of it.
    for (size_t uiSlot = 0; uiSlot < Items.size(); ++uiSlot)
    {
        if (Nodes[uiSlot] && !Children[uiSlot].isEmpty())
            Nodes[uiSlot]->addChildren(Children[uiSlot]);
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
