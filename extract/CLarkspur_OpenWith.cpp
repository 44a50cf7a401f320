// SPDX-License-Identifier: MIT
// Opening an archive item with the program the desktop associates with it,
// and dragging items out to other programs. Both first extract the item into
// the window's private temporary folder, which lives from load to closing.

#include "window/CLarkspur.h"

#include "extract/TempSpace.h"
#include "settings/CProgramFiles.h"
#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"
#include "window/ItemViews.h"
#include "window/Utils.h"

#include <QFile>
#include <QPointer>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdint>

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

bool CLarkspur::CreateTempDirectory()
{
    if (!sTempDirectory.isEmpty() && CProgramFiles::IsPrivateDirectory(sTempDirectory))
        return true;
    STempDirectory Made = CProgramFiles::MakePrivateTempDirectory(Files.TempParents);
    if (Made.sPath.isEmpty())
    {
        WriteLine(QStringLiteral("Faild to create directory ") + CProgramFiles::TempDirectoryTemplate(Files.TempParents) +
                      QLatin1Char('.'),
                  ELineColor::Red);
        return false;
    }
    sTempDirectory = Made.sPath;
    TempLock = std::move(Made.Lock);
    WriteLine(QStringLiteral("Created ") + sTempDirectory + QLatin1Char('.'), ELineColor::Gray);
    return true;
}

void CLarkspur::DeleteTempDirectory()
{
    // The lock goes first: a window starting meanwhile leaves a folder
    // without one alone, and its removal is no line of the log.
    TempLock.reset();
    // Only the folder this window made: whatever now stands under its name
    // (a cleaner removed it, someone else made a new one) is left alone.
    if (!sTempDirectory.isEmpty() && CProgramFiles::IsPrivateDirectory(sTempDirectory))
        DeleteDirectory(sTempDirectory);
}

void CLarkspur::DeleteAbandonedTempDirectories()
{
    for (STempDirectory &Abandoned : CProgramFiles::TakeAbandonedTempDirectories(Files.TempParents))
    {
        Abandoned.Lock.reset();
        DeleteDirectory(Abandoned.sPath);
    }
}

std::optional<QByteArray> CLarkspur::ExtractToTemp(uint32_t uiDirectoryIndex)
{
    // A folder that could not be made at load, or has gone since, is tried
    // again for each use.
    if (!CreateTempDirectory())
        return std::nullopt;
    const std::string_view sName = GCFFile->GetDirectoryItemName(uiDirectoryIndex);
    const QString sFolder = sTempDirectory.chopped(1);
    const std::optional<uint64_t> uiFree = Desktop.FreeBytes(sFolder);
    if (const std::optional<QString> sNoRoom =
            NoRoomText(sFolder, Utils::DecodeName(sName), ItemBytes(*GCFFile, uiDirectoryIndex),
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
    CExtraction TempExtraction(*GCFFile, Counted);
    TempExtraction.StartExtracting();
    const bool bWritten = TempExtraction.ExtractItem(StringToCharPointer(sTempDirectory), uiDirectoryIndex) &&
                          (Counted.uiFailures == 0 || !GCFFile->IsFolder(uiDirectoryIndex));
    if (TempExtraction.ArchiveCutShort())
        ReportArchiveCutShort();
    if (!bWritten)
    {
        // A part of the item is no use to anyone, and would hold the space.
        RemoveFromTemp(sPath);
        return std::nullopt;
    }
    return sPath;
}

void CLarkspur::RemoveFromTemp(const QByteArray &sPath)
{
    struct stat Stat;
    if (::lstat(sPath.constData(), &Stat) != 0)
        return;
    if (S_ISDIR(Stat.st_mode))
        DeleteDirectory(QFile::decodeName(sPath));
    else if (::unlink(sPath.constData()) == 0)
        WriteLine(QStringLiteral("Deleted ") + QFile::decodeName(sPath) + QLatin1Char('.'), ELineColor::Gray);
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
