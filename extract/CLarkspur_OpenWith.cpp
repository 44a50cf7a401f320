// Opening an archive item with the program the desktop associates with it,
// and dragging items out to other programs. Both first extract the item into
// the program's temporary folder.

#include "window/CLarkspur.h"

#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"
#include "window/ItemViews.h"

#include <QFile>

namespace Larkspur
{

void CLarkspur::ShellExecute(const QByteArray &sFileName)
{
    if (!Desktop.OpenUrl(LocalFileUrl(sFileName)))
    {
        Desktop.ShowErrorBox(this, QStringLiteral("Failed to shell execute:\n") + QFile::decodeName(sFileName) +
                                       QStringLiteral("\n\nFile type has no default program associated with it."));
    }
}

std::optional<QByteArray> CLarkspur::ExtractToTemp(uint32_t uiDirectoryIndex)
{
    if (!ExtractItem(sTempDirectory, uiDirectoryIndex))
        return std::nullopt;
    // The extracted item carries the archive's name bytes unchanged.
    const std::string_view sName = GCFFile->GetDirectoryItemName(uiDirectoryIndex);
    return QFile::encodeName(sTempDirectory) + QByteArray(sName.data(), qsizetype(sName.size()));
}

void CLarkspur::btnExecuteGCFTreeItem_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    StartExtracting();
    if (const std::optional<QByteArray> sPath = ExtractToTemp(Node->GetDirectoryIndex()))
        ShellExecute(*sPath);
    StopExtracting();
    ClearTreeSelection();
}

void CLarkspur::btnExecuteGCFListViewItem_Click()
{
    const std::vector<int> Rows = SelectedListRows();
    if (Rows.empty())
        return;
    StartExtracting();
    if (const std::optional<QByteArray> sPath = ExtractToTemp(ListModel->Row(Rows.front()).GetDirectoryIndex()))
        ShellExecute(*sPath);
    StopExtracting();
    ClearListSelection();
}

void CLarkspur::treGCFFile_ItemDrag(Qt::MouseButton eButton, QTreeWidgetItem *lpItem)
{
    if (eButton != Qt::LeftButton || !lpItem)
        return;
    auto *Node = static_cast<GCFTreeNode *>(lpItem);
    StartExtracting();
    if (const std::optional<QByteArray> sPath = ExtractToTemp(Node->GetDirectoryIndex()))
        Desktop.StartDrag(treGCFFile, MakeFileDragData(LocalFileUrl(*sPath)), Qt::CopyAction);
    StopExtracting();
}

void CLarkspur::lstGCFFile_ItemDrag(QAbstractItemView *lpView, Qt::MouseButton eButton, const QModelIndex &Item)
{
    if (eButton != Qt::LeftButton || !Item.isValid() || Item.row() >= ListModel->RowCount())
        return;
    StartExtracting();
    if (const std::optional<QByteArray> sPath = ExtractToTemp(ListModel->Row(Item.row()).GetDirectoryIndex()))
        Desktop.StartDrag(lpView, MakeFileDragData(LocalFileUrl(*sPath)), Qt::CopyAction);
    StopExtracting();
}

}  // namespace Larkspur
