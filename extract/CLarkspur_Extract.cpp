// The window's two Extract commands, the folder picker, the abort dialog's
// life, and the thin members that hand paths to the extraction engine.

#include "window/CLarkspur.h"

#include "extract/CAbort.h"
#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"

#include <QPointer>

#include <algorithm>
#include <cstdint>

namespace Larkspur
{

void CLarkspur::btnExtractGCFTreeItem_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    if (const std::optional<QString> sFolder = BrowseForFolder(sExtractDirectory))
    {
        Extraction.uiCount = 0;
        Extraction.uiTotal = GCFFile->GetDirectoryItemFileCount(Node->GetDirectoryIndex());
        RunExtractCommand(*sFolder, {Node->GetDirectoryIndex()});
    }
    ClearTreeSelection();
}

void CLarkspur::btnExtractGCFListViewItem_Click()
{
    const std::vector<int> Rows = SelectedListRows();
    if (Rows.empty())
        return;
    if (const std::optional<QString> sFolder = BrowseForFolder(sExtractDirectory))
    {
        std::vector<uint32_t> Items;
        uint64_t uiTotal = 0;
        for (const int iRow : Rows)
        {
            Items.push_back(ListModel->Row(iRow).GetDirectoryIndex());
            uiTotal += GCFFile->GetDirectoryItemFileCount(Items.back());
        }
        // Search results can list a folder and the items inside it, each
        // counted in full; the count stops at its largest value.
        Extraction.uiCount = 0;
        Extraction.uiTotal = uint32_t(std::min<uint64_t>(uiTotal, UINT32_MAX));
        RunExtractCommand(*sFolder, Items);
    }
    ClearListSelection();
}

void CLarkspur::RunExtractCommand(const QString &sFolder, const std::vector<uint32_t> &Items)
{
    // Disabling the window takes the focus away; it goes back afterwards.
    const QPointer<QWidget> lpFocus = focusWidget();
    setEnabled(false);
    ShowAbort();
    StartExtracting();
    WriteLine(QStringLiteral("Extracting to ") + sFolder + QLatin1Char('.'), ELineColor::Green);
    // After an abort every remaining item returns at its first check.
    for (const uint32_t uiItem : Items)
        ExtractItem(sFolder, uiItem);
    WriteLine(QStringLiteral("Done."), ELineColor::Green);
    StopExtracting();
    HideAbort();
    setEnabled(true);
    if (lpFocus)
        lpFocus->setFocus();

    if (bCloseAfterExtracting)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

std::optional<QString> CLarkspur::BrowseForFolder(const QString &sStartFolder)
{
    return Desktop.BrowseForFolder(this, sStartFolder);
}

bool CLarkspur::ExtractItem(const QString &sDirectory, uint32_t uiDirectoryIndex)
{
    return Extraction.ExtractItem(StringToCharPointer(sDirectory), uiDirectoryIndex);
}

bool CLarkspur::CreateDirectory(const QString &sDirectory)
{
    return Extraction.CreateDirectory(StringToCharPointer(sDirectory));
}

void CLarkspur::DeleteDirectory(const QString &sDirectory)
{
    Extraction.DeleteDirectory(StringToCharPointer(sDirectory));
}

void CLarkspur::StartExtracting()
{
    Extraction.StartExtracting();
}

void CLarkspur::StopExtracting()
{
    Extraction.StopExtracting();
}

void CLarkspur::ShowAbort()
{
    Abort = new CAbort(Extraction.uiTotal);
    connect(Abort, &CAbort::AbortExtraction, this, [this] { StopExtracting(); });
    Extraction.Abort = Abort;
    Abort->show();
}

void CLarkspur::HideAbort()
{
    if (!Abort)
        return;
    Extraction.Abort = nullptr;
    Abort->CloseDialog();
    delete Abort;
    Abort = nullptr;
}

}  // namespace Larkspur
