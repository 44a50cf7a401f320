// SPDX-License-Identifier: MIT
// The window's two Extract commands, the folder picker, the abort dialog's
// life, and the thin members that hand paths to the extraction engine.

#include "window/CLarkspur.h"

#include "extract/CAbort.h"
#include "extract/CExtractCommand.h"
#include "window/GCFTreeNode.h"
#include "window/ConsoleView.h"
#include "window/IDesktop.h"

#include <QPointer>

#include <cstdint>

namespace Larkspur
{

void CLarkspur::btnExtractGCFTreeItem_Click()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    if (const std::optional<QString> sFolder = BrowseForFolder(sExtractDirectory))
        RunExtractCommand(*sFolder, {Node->GetDirectoryIndex()});
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
        for (const int iRow : Rows)
            Items.push_back(ListModel->Row(iRow).GetDirectoryIndex());
        RunExtractCommand(*sFolder, Items);
    }
    ClearListSelection();
}

void CLarkspur::RunExtractCommand(const QString &sFolder, const std::vector<uint32_t> &Items)
{
    CExtractCommand Command(*Extraction, Items);
    // Disabling the window takes the focus away; it goes back afterwards.
    const QPointer<QWidget> lpFocus = focusWidget();
    setEnabled(false);
    ShowAbort(Command.GetTotal());
    txtConsole->HoldLines(true);
    Command.Run(StringToCharPointer(sFolder), *Abort);
    txtConsole->HoldLines(false);
    HideAbort();
    setEnabled(true);
    if (lpFocus)
        lpFocus->setFocus();
    if (Extraction->ArchiveCutShort())
        ReportArchiveCutShort();

    if (bCloseAfterExtracting)
        QMetaObject::invokeMethod(this, &QWidget::close, Qt::QueuedConnection);
}

std::optional<QString> CLarkspur::BrowseForFolder(const QString &sStartFolder)
{
    return Desktop.BrowseForFolder(this, sStartFolder);
}

bool CLarkspur::ExtractItem(const QString &sDirectory, uint32_t uiDirectoryIndex)
{
    return Extraction->ExtractItem(StringToCharPointer(sDirectory), uiDirectoryIndex);
}

bool CLarkspur::CreateDirectory()
{
    return TempFolder.Make();
}

void CLarkspur::DeleteDirectory()
{
    TempFolder.Remove();
}

void CLarkspur::StartExtracting()
{
    if (Extraction)
        Extraction->StartExtracting();
}

void CLarkspur::StopExtracting()
{
    if (Extraction)
        Extraction->StopExtracting();
}

void CLarkspur::ShowAbort(uint32_t uiTotal)
{
    Abort = new CAbort(uiTotal);
    connect(Abort, &CAbort::AbortExtraction, this, [this] { StopExtracting(); });
    // The console's held lines show whenever the window gets to paint.
    connect(Abort, &CAbort::EventsDue, txtConsole, &GCFConsole::ShowHeldLines);
    Abort->show();
}

void CLarkspur::HideAbort()
{
    if (!Abort)
        return;
    Abort->CloseDialog();
    delete Abort;
    Abort = nullptr;
}

}  // namespace Larkspur
