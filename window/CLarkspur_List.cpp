// SPDX-License-Identifier: MIT
// The item list's order (a click on a column header of the Details view)
// and its filter box, and opening an archive dropped onto the window.

#include "window/CLarkspur.h"

#include "window/DropRules.h"
#include "window/ItemViews.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLineEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace Larkspur
{

void CLarkspur::InitializeFilter()
{
    txtFilter = new QLineEdit;
    txtFilter->setObjectName(QStringLiteral("txtFilter"));
    txtFilter->setPlaceholderText(QStringLiteral("Filter"));
    txtFilter->setAccessibleName(QStringLiteral("Filter"));
    txtFilter->setClearButtonEnabled(true);
    txtFilter->hide();
    txtFilter->installEventFilter(this);
    connect(txtFilter, &QLineEdit::textChanged, this, [this] { txtFilter_TextChanged(); });

    pnlList = new QWidget;
    pnlList->setObjectName(QStringLiteral("pnlList"));
    auto *lpLayout = new QVBoxLayout(pnlList);
    lpLayout->setContentsMargins(0, 0, 0, 0);
    lpLayout->setSpacing(0);
    lpLayout->addWidget(txtFilter);
    lpLayout->addWidget(lstGCFFile);

    connect(lstGCFFileDetails->header(), &QHeaderView::sectionClicked, this,
            [this](int iColumn) { lstGCFFile_ColumnClick(iColumn); });
    // A new set of rows may add or drop the Location column, which takes its
    // share of the width, or drop the column the list was sorted by.
    connect(ListModel, &QAbstractItemModel::modelReset, this, [this] {
        lstGCFFile_Resize();
        ShowListSort();
    });
}

void CLarkspur::lstGCFFile_ColumnClick(int iColumn)
{
    ListModel->SetSort(NextListSort(ListModel->GetSort(), GCFListModel::SortKeyOfColumn(iColumn)));
    // The header has turned its own arrow already; it shows the list's.
    ShowListSort();
}

void CLarkspur::ShowListSort()
{
    const SListSort &Sort = ListModel->GetSort();
    lstGCFFileDetails->header()->setSortIndicator(GCFListModel::ColumnOfSortKey(Sort.eKey), Sort.eOrder);
    switch (Sort.eKey)
    {
    case ESortKey::Name: btnSortByName->setChecked(true); break;
    case ESortKey::Size: btnSortBySize->setChecked(true); break;
    case ESortKey::Type: btnSortByType->setChecked(true); break;
    // Search results sorted by location: none of the menu's orders.
    case ESortKey::Location:
        if (QAction *lpChecked = SortGroup->checkedAction())
            lpChecked->setChecked(false);
        break;
    case ESortKey::ArchiveOrder: btnSortByArchiveOrder->setChecked(true); break;
    }
}

void CLarkspur::btnSortBy_Click(ESortKey eKey)
{
    ListModel->SetSort(eKey == ESortKey::ArchiveOrder ? SListSort() : NextListSort(ListModel->GetSort(), eKey));
    ShowListSort();
}

void CLarkspur::btnFilter_Click()
{
    if (!btnFilter->isChecked())
    {
        HideFilter();
        return;
    }
    ShowFilter();
}

void CLarkspur::btnFilter_KeyDown()
{
    if (!btnFilter->isEnabled())
        return;
    if (FilterKeyCommand(btnFilter->isChecked(), txtFilter->hasFocus()) == EFilterKey::Hide)
        HideFilter();
    else
        ShowFilter();
}

void CLarkspur::ShowFilter()
{
    btnFilter->setChecked(true);
    txtFilter->show();
    txtFilter->setFocus();
}

void CLarkspur::txtFilter_TextChanged()
{
    ListModel->SetFilter(txtFilter->text());
    // A large folder filtered down to a few rows may show long names again.
    UpdateListViewSizing();
}

void CLarkspur::txtFilter_KeyDown(int iKey)
{
    if (iKey == Qt::Key_Escape)
        HideFilter();
    else if (iKey == Qt::Key_Down)
        lstGCFFile->currentWidget()->setFocus();
}

void CLarkspur::HideFilter()
{
    btnFilter->setChecked(false);
    txtFilter->clear();
    if (txtFilter->hasFocus())
        lstGCFFile->currentWidget()->setFocus();
    txtFilter->hide();
}

void CLarkspur::ResetListArrangement()
{
    HideFilter();
    ListModel->SetSort(SListSort());
    ShowListSort();
}

QString CLarkspur::DroppedArchive(const QDropEvent &Event) const
{
    // A drag that started in this window carries an item dragged out of the
    // archive, not an archive to open. None is opened while an Extract
    // command reads the open one, or while a dialog is open: the command
    // that opened it may still hold rows of the list.
    if (Event.source() || !CanOpenDroppedArchive() || !(Event.possibleActions() & Qt::CopyAction))
        return QString();
    return ArchiveOfDrop(*Event.mimeData());
}

bool CLarkspur::CanOpenDroppedArchive() const
{
    return !Abort && !QApplication::activeModalWidget();
}

void CLarkspur::CLarkspur_DragEnter(QDragMoveEvent *lpEvent)
{
    if (DroppedArchive(*lpEvent).isEmpty())
    {
        lpEvent->ignore();
        return;
    }
    lpEvent->setDropAction(Qt::CopyAction);
    lpEvent->accept();
}

void CLarkspur::CLarkspur_DragDrop(QDropEvent *lpEvent)
{
    const QString sArchive = DroppedArchive(*lpEvent);
    if (sArchive.isEmpty())
    {
        lpEvent->ignore();
        return;
    }
    lpEvent->setDropAction(Qt::CopyAction);
    lpEvent->accept();
    // The program the file came from waits until the drop returns; the
    // archive opens (and any message about it shows) after that.
    QMetaObject::invokeMethod(
        this,
        [this, sArchive] {
            if (CanOpenDroppedArchive())
                OpenGCFFile(sArchive);
        },
        Qt::QueuedConnection);
}

void CLarkspur::dragEnterEvent(QDragEnterEvent *lpEvent)
{
    CLarkspur_DragEnter(lpEvent);
}

void CLarkspur::dragMoveEvent(QDragMoveEvent *lpEvent)
{
    CLarkspur_DragEnter(lpEvent);
}

void CLarkspur::dropEvent(QDropEvent *lpEvent)
{
    CLarkspur_DragDrop(lpEvent);
}

}  // namespace Larkspur
