// SPDX-License-Identifier: MIT
// Opening an archive item with the program the desktop associates with it,
// and dragging items out to other programs. Both first extract the item into
// the window's private temporary folder, which lives from load to closing.

#include "window/CLarkspur.h"

#include "extract/TempSpace.h"
#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"
#include "window/ItemViews.h"
#include "window/Utils.h"

#include <QFile>
#include <QPointer>

#include <cstdint>
#include <functional>

namespace Larkspur
{

namespace
{

// Passes the engine's lines on and counts the red ones: the failures of
// single items.
class CFailureCount final : public IConsole
{
public:
    explicit CFailureCount(IConsole &Console) : Console(Console) {}
    void WriteLine(std::string_view sLine, ELineColor eColor) override
    {
        if (eColor == ELineColor::Red)
            ++uiFailures;
        Console.WriteLine(sLine, eColor);
    }

    uint32_t uiFailures = 0;

private:
    IConsole &Console;
};

}  // namespace

void CLarkspur::ShellExecute(const QByteArray &sFileName)
{
    // The desktop may answer after this returns, when the window has closed.
    const QPointer<CLarkspur> Window(this);
    Desktop.OpenUrl(LocalFileUrl(sFileName), [Window, sFileName] {
        if (Window)
            Window->Desktop.ShowErrorBox(Window, QStringLiteral("Failed to shell execute:\n") +
                                                     QFile::decodeName(sFileName) +
                                                     QStringLiteral("\n\nFile type has no default program "
                                                                    "associated with it."));
    });
}

std::optional<QByteArray> CLarkspur::ExtractToTemp(uint32_t uiDirectoryIndex)
{
    // A folder that could not be made at load, or has gone since, is tried
    // again for each use.
    if (!CreateDirectory())
        return std::nullopt;
    const QString &sTempDirectory = TempFolder.GetPath();
    const std::string_view sName = Archive->GetDirectoryItemName(uiDirectoryIndex);
    const QString sFolder = sTempDirectory.chopped(1);
    const std::optional<uint64_t> uiFree = Desktop.FreeBytes(sFolder);
    if (const std::optional<QString> sNoRoom =
            NoRoomText(sFolder, Utils::DecodeName(sName), ItemBytes(*Archive, uiDirectoryIndex),
                       uiFree.value_or(UINT64_MAX)))
    {
        Desktop.ShowErrorBox(this, *sNoRoom);
        return std::nullopt;
    }

    // The extracted item carries the archive's name bytes unchanged.
    const QByteArray sPath = QFile::encodeName(sTempDirectory) + QByteArray(sName.data(), qsizetype(sName.size()));
    // An engine of its own, whose lines reach the console counted: a folder
    // is offered only when every file below it was written. (A single file
    // whose size differs from the bytes written is still opened.)
    CFailureCount Counted(ConsoleLines);
    CExtraction TempExtraction(*Archive, Counted);
    TempExtraction.StartExtracting();
    const bool bWritten = TempExtraction.ExtractItem(StringToCharPointer(sTempDirectory), uiDirectoryIndex) &&
                          (Counted.uiFailures == 0 || !Archive->IsFolder(uiDirectoryIndex));
    if (TempExtraction.ArchiveCutShort())
        ReportArchiveCutShort();
    if (!bWritten)
    {
        // A part of the item is no use to anyone, and would hold the space.
        TempFolder.RemoveItem(sPath);
        return std::nullopt;
    }
    return sPath;
}

void CLarkspur::UseExtractedItem(uint32_t uiDirectoryIndex, const std::function<void(const QByteArray &)> &Use)
{
    StartExtracting();
    if (const std::optional<QByteArray> sPath = ExtractToTemp(uiDirectoryIndex))
        Use(*sPath);
    StopExtracting();
}

void CLarkspur::btnExecuteGCFTreeItem_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    UseExtractedItem(Node->GetDirectoryIndex(), [this](const QByteArray &sPath) { ShellExecute(sPath); });
    ClearTreeSelection();
}

void CLarkspur::btnExecuteGCFListViewItem_Click()
{
    const std::vector<int> Rows = SelectedListRows();
    if (Rows.empty())
        return;
    UseExtractedItem(ListModel->Row(Rows.front()).GetDirectoryIndex(),
                     [this](const QByteArray &sPath) { ShellExecute(sPath); });
    ClearListSelection();
}

void CLarkspur::treGCFFile_ItemDrag(Qt::MouseButton eButton, QTreeWidgetItem *lpItem)
{
    if (eButton != Qt::LeftButton || !lpItem)
        return;
    UseExtractedItem(static_cast<GCFTreeNode *>(lpItem)->GetDirectoryIndex(), [this](const QByteArray &sPath)
                     { Desktop.StartDrag(treGCFFile, MakeFileDragData(LocalFileUrl(sPath)), Qt::CopyAction); });
}

void CLarkspur::lstGCFFile_ItemDrag(QAbstractItemView *lpView, Qt::MouseButton eButton, const QModelIndex &Item)
{
    if (eButton != Qt::LeftButton || !Item.isValid() || Item.row() >= ListModel->RowCount())
        return;
    UseExtractedItem(ListModel->Row(Item.row()).GetDirectoryIndex(), [this, lpView](const QByteArray &sPath)
                     { Desktop.StartDrag(lpView, MakeFileDragData(LocalFileUrl(sPath)), Qt::CopyAction); });
}

}  // namespace Larkspur
