#include "window/GCFListViewItem.h"

#include "archive/CGCF.h"
#include "window/GCFTreeNode.h"
#include "window/LayoutRules.h"
#include "window/Utils.h"

namespace Larkspur
{

GCFListViewItem::GCFListViewItem(const QString &sName, EItemType ListViewItemType, uint32_t iItemSize,
                                 GCFTreeNode *TreeNode)
    : TreeNode(TreeNode), ListViewItemType(ListViewItemType), sName(sName)
{
    if (ListViewItemType == EItemType::Folder)
    {
        sSize = ItemCountToString(iItemSize);
        sType = QStringLiteral("Folder");
    }
    else
    {
        sSize = Utils::FileSizeToString(iItemSize);
        sType = Utils::FileTypeToString(sName);
    }
}

uint32_t GCFListViewItem::GetDirectoryIndex() const
{
    return TreeNode->GetDirectoryIndex();
}

GCFListViewItem MakeListViewItem(const CGCF &GCFFile, GCFTreeNode *TreeNode)
{
    const uint32_t uiIndex = TreeNode->GetDirectoryIndex();
    const GCFDirectoryEntry *lpEntry = GCFFile.GetDirectoryEntry(uiIndex);
    const uint32_t uiItemSize = lpEntry ? uint32_t(lpEntry->uiItemSize) : 0;
    // The root's stored name is not shown anywhere: it is always "root".
    const QString sName = uiIndex == 0 ? QStringLiteral("root") : Utils::DecodeName(GCFFile.GetDirectoryItemName(uiIndex));
    return GCFListViewItem(sName, GCFFile.IsFolder(uiIndex) ? EItemType::Folder : EItemType::File, uiItemSize, TreeNode);
}

}  // namespace Larkspur
