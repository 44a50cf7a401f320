// SPDX-License-Identifier: MIT
#include "window/ItemViews.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>

namespace Larkspur
{

void CDragStart::Press(Qt::MouseButton eNewButton, QPoint Position, const QModelIndex &NewItem)
{
    bPressed = NewItem.isValid();
    eButton = eNewButton;
    PressPosition = Position;
    Item = NewItem;
}

bool CDragStart::Move(Qt::MouseButtons eButtons, QPoint Position)
{
    if (!bPressed || !(eButtons & eButton))
        return false;
    if ((Position - PressPosition).manhattanLength() < QApplication::startDragDistance())
        return false;
    bPressed = false;
    return Item.isValid();
}

// --- the tree ---------------------------------------------------------------

int GCFTreeWidget::Depth(const QTreeWidgetItem *lpItem)
{
    int iDepth = 0;
    for (const QTreeWidgetItem *lpParent = lpItem->parent(); lpParent; lpParent = lpParent->parent())
        ++iDepth;
    return iDepth;
}

void GCFTreeWidget::ExpandAllBelow(QTreeWidgetItem *lpItem)
{
    const int iDepth = Depth(lpItem);
    if (iDepth <= MAX_OPEN_DEPTH)
        expandRecursively(indexFromItem(lpItem), MAX_OPEN_DEPTH - iDepth);
}

void GCFTreeWidget::SelectAndReveal(QTreeWidgetItem *lpItem)
{
    if (Depth(lpItem) > MAX_OPEN_DEPTH)
    {
        selectionModel()->select(indexFromItem(lpItem), QItemSelectionModel::ClearAndSelect);
        return;
    }
    for (QTreeWidgetItem *lpParent = lpItem->parent(); lpParent; lpParent = lpParent->parent())
        lpParent->setExpanded(true);
    setCurrentItem(lpItem);
    scrollToItem(lpItem);
}

void GCFTreeWidget::keyPressEvent(QKeyEvent *lpEvent)
{
    if (lpEvent->key() == Qt::Key_Asterisk && currentItem())
    {
        ExpandAllBelow(currentItem());
        return;
    }
    const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
    if (eKey == EViewKey::ContextMenu || eKey == EViewKey::ParentFolder)
    {
        emit KeyDown(eKey);
        return;
    }
    QTreeWidget::keyPressEvent(lpEvent);
}

void GCFTreeWidget::mousePressEvent(QMouseEvent *lpEvent)
{
    const QPoint Position = lpEvent->position().toPoint();
    DragStart.Press(lpEvent->button(), Position, indexAt(Position));
    emit MouseDown(lpEvent->button(), Position);
    QTreeWidget::mousePressEvent(lpEvent);
}

void GCFTreeWidget::mouseMoveEvent(QMouseEvent *lpEvent)
{
    if (DragStart.Move(lpEvent->buttons(), lpEvent->position().toPoint()))
    {
        setState(NoState);
        emit ItemDrag(DragStart.GetButton(), itemFromIndex(DragStart.GetItem()));
        return;
    }
    QTreeWidget::mouseMoveEvent(lpEvent);
}

void GCFTreeWidget::mouseReleaseEvent(QMouseEvent *lpEvent)
{
    DragStart.Release();
    QTreeWidget::mouseReleaseEvent(lpEvent);
    emit MouseUp(lpEvent->button(), lpEvent->position().toPoint());
}

// --- the Icons and List views -------------------------------------------------

void GCFListView::keyPressEvent(QKeyEvent *lpEvent)
{
    const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
    if (eKey != EViewKey::None)
    {
        emit KeyDown(eKey);
        return;
    }
    QListView::keyPressEvent(lpEvent);
}

void GCFListView::mousePressEvent(QMouseEvent *lpEvent)
{
    const QPoint Position = lpEvent->position().toPoint();
    DragStart.Press(lpEvent->button(), Position, indexAt(Position));
    QListView::mousePressEvent(lpEvent);
}

void GCFListView::mouseMoveEvent(QMouseEvent *lpEvent)
{
    if (DragStart.Move(lpEvent->buttons(), lpEvent->position().toPoint()))
    {
        setState(NoState);
        emit ItemDrag(DragStart.GetButton(), DragStart.GetItem());
        return;
    }
    QListView::mouseMoveEvent(lpEvent);
}

void GCFListView::mouseReleaseEvent(QMouseEvent *lpEvent)
{
    DragStart.Release();
    QListView::mouseReleaseEvent(lpEvent);
    emit MouseUp(lpEvent->button(), lpEvent->position().toPoint());
}

// --- the Details view -----------------------------------------------------------

void GCFDetailsView::keyPressEvent(QKeyEvent *lpEvent)
{
    const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
    if (eKey != EViewKey::None)
    {
        emit KeyDown(eKey);
        return;
    }
    QTreeView::keyPressEvent(lpEvent);
}

void GCFDetailsView::mousePressEvent(QMouseEvent *lpEvent)
{
    const QPoint Position = lpEvent->position().toPoint();
    DragStart.Press(lpEvent->button(), Position, indexAt(Position));
    QTreeView::mousePressEvent(lpEvent);
}

void GCFDetailsView::mouseMoveEvent(QMouseEvent *lpEvent)
{
    if (DragStart.Move(lpEvent->buttons(), lpEvent->position().toPoint()))
    {
        setState(NoState);
        emit ItemDrag(DragStart.GetButton(), DragStart.GetItem());
        return;
    }
    QTreeView::mouseMoveEvent(lpEvent);
}

void GCFDetailsView::mouseReleaseEvent(QMouseEvent *lpEvent)
{
    DragStart.Release();
    QTreeView::mouseReleaseEvent(lpEvent);
    emit MouseUp(lpEvent->button(), lpEvent->position().toPoint());
}

}  // namespace Larkspur
