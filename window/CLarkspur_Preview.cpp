// SPDX-License-Identifier: MIT
// The preview pane beside the item list (View > Preview, F3): the selected
// file read straight from the archive, as text, a picture or a hex dump.

#include "window/CLarkspur.h"

#include "window/GCFTreeNode.h"
#include "window/ItemPreview.h"
#include "window/ItemViews.h"
#include "window/PictureDecoding.h"
#include "window/PreviewPane.h"
#include "window/Utils.h"

#include <QSplitter>
#include <QTimer>

namespace Larkspur
{

void CLarkspur::InitializePreview()
{
    pnlPreview = new GCFPreviewPane;
    pnlPreview->hide();
    splMain->addWidget(pnlPreview);
    splMain->setStretchFactor(2, 1);

    tmrPreview = new QTimer(this);
    tmrPreview->setSingleShot(true);
    tmrPreview->setInterval(0);
    connect(tmrPreview, &QTimer::timeout, this, [this] { UpdatePreview(); });

    connect(lstGCFFileIcons->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            [this] { QueuePreview(EPreviewSource::List); });
    connect(lstGCFFileIcons->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this] { QueuePreview(EPreviewSource::List); });
    // New rows (another folder, search results) come without a selection;
    // sorting or filtering may hide the row shown.
    connect(ListModel, &QAbstractItemModel::modelReset, this, [this] { QueuePreview(EPreviewSource::List); });
    connect(ListModel, &QAbstractItemModel::layoutChanged, this, [this] { QueuePreview(ePreviewSource); });
    connect(treGCFFile, &QTreeWidget::itemSelectionChanged, this, [this] { QueuePreview(EPreviewSource::Tree); });
}

void CLarkspur::btnPreview_Click()
{
    if (!btnPreview->isChecked())
    {
        pnlPreview->hide();
        ClearPreview();
        return;
    }
    const bool bFirstShow = splMain->sizes().value(2) == 0;
    pnlPreview->show();
    // Shown for the first time, the pane takes two fifths of the list's width.
    if (bFirstShow)
    {
        QList<int> Sizes = splMain->sizes();
        const int iListAndPreview = Sizes.value(1) + Sizes.value(2);
        Sizes[2] = iListAndPreview * 2 / 5;
        Sizes[1] = iListAndPreview - Sizes[2];
        splMain->setSizes(Sizes);
    }
    UpdatePreview();
}

void CLarkspur::QueuePreview(EPreviewSource eSource)
{
    ePreviewSource = eSource;
    if (btnPreview->isChecked())
        tmrPreview->start();
}

void CLarkspur::UpdatePreview()
{
    tmrPreview->stop();
    if (!btnPreview->isChecked())
        return;
    const std::optional<uint32_t> uiItem = PreviewedItem();
    if (uiItem == uiPreviewShown)
        return;
    uiPreviewShown = uiItem;
    if (!uiItem)
    {
        pnlPreview->ClearPreview();
        return;
    }
    const SItemPreview Preview = PreviewItem(*Archive, *uiItem, &IsPreviewPicture);
    pnlPreview->ShowPreview(Utils::DecodeName(Archive->GetDirectoryItemName(*uiItem)), Preview);
    // The pane shows what could be read; an archive cut short under the
    // read is then closed, as after any other read that meets the loss.
    if (Preview.bCutShort)
        ReportArchiveCutShort();
}

void CLarkspur::ClearPreview()
{
    tmrPreview->stop();
    uiPreviewShown.reset();
    pnlPreview->ClearPreview();
}

std::optional<uint32_t> CLarkspur::PreviewedItem() const
{
    if (!Archive->Opened())
        return std::nullopt;
    if (ePreviewSource == EPreviewSource::Tree)
    {
        const GCFTreeNode *Node = SelectedTreeNode();
        if (Node && Node->GetTreeNodeType() == EItemType::File)
            return Node->GetDirectoryIndex();
        return std::nullopt;
    }
    // The row last clicked among those selected, as a file manager shows it.
    const QItemSelectionModel *lpSelection = lstGCFFileIcons->selectionModel();
    int iRow = -1;
    if (lpSelection->currentIndex().isValid() && lpSelection->isRowSelected(lpSelection->currentIndex().row()))
        iRow = lpSelection->currentIndex().row();
    else if (const std::vector<int> Rows = SelectedListRows(); !Rows.empty())
        iRow = Rows.front();
    if (iRow < 0 || iRow >= ListModel->RowCount() ||
        ListModel->Row(iRow).GetListViewItemType() != EItemType::File)
        return std::nullopt;
    return ListModel->Row(iRow).GetDirectoryIndex();
}

}  // namespace Larkspur
