// SPDX-License-Identifier: MIT
#pragma once
// The tree and the two list views with the mouse events the window needs:
// a button pressed or released at a point, and the start of a drag on an
// item with the button it began with. The views start no drag of their own;
// the window decides what a drag does. The keys that ask the window for
// something (a menu, Enter, the parent folder) are handed to it as well.

#include "window/KeyboardRules.h"

#include <QHash>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QListView>
#include <QModelIndex>
#include <QPoint>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QTreeWidget>

namespace Larkspur
{

// Tells when a press followed by moves with a button held becomes a drag:
// once per press, after the pointer has moved the desktop's drag distance,
// and only when the press was on an item.
class CDragStart
{
public:
    void Press(Qt::MouseButton eButton, QPoint Position, const QModelIndex &Item);
    // True once, for the move that starts the drag.
    bool Move(Qt::MouseButtons eButtons, QPoint Position);
    void Release() { bPressed = false; }

    Qt::MouseButton GetButton() const { return eButton; }
    const QPersistentModelIndex &GetItem() const { return Item; }

private:
    bool bPressed = false;
    Qt::MouseButton eButton = Qt::NoButton;
    QPoint PressPosition;
    QPersistentModelIndex Item;
};

// The mouse and key handling the three views share. A press may start a
// drag; a move past the drag distance hands the drag to the window in place
// of the view's own; a release ends it and is reported once the view has
// handled it; the keys the window acts on go to the window. A template
// holds no signals, so each view emits its own from the hooks.
template <class TView>
class CItemViewEvents : public TView
{
public:
    using TView::TView;

protected:
    // True when the key went to the window; by default every key that
    // asks it for something does.
    virtual bool KeyToWindow(QKeyEvent *lpEvent)
    {
        const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
        if (eKey == EViewKey::None)
            return false;
        EmitKeyDown(eKey);
        return true;
    }
    virtual void EmitKeyDown(EViewKey eKey) = 0;
    virtual void EmitMouseDown(Qt::MouseButton, QPoint) {}
    virtual void EmitItemDrag(Qt::MouseButton eButton, const QModelIndex &Item) = 0;
    virtual void EmitMouseUp(Qt::MouseButton eButton, QPoint Position) = 0;

    void keyPressEvent(QKeyEvent *lpEvent) override
    {
        if (!KeyToWindow(lpEvent))
            TView::keyPressEvent(lpEvent);
    }
    void mousePressEvent(QMouseEvent *lpEvent) override
    {
        const QPoint Position = lpEvent->position().toPoint();
        DragStart.Press(lpEvent->button(), Position, this->indexAt(Position));
        EmitMouseDown(lpEvent->button(), Position);
        TView::mousePressEvent(lpEvent);
    }
    void mouseMoveEvent(QMouseEvent *lpEvent) override
    {
        if (DragStart.Move(lpEvent->buttons(), lpEvent->position().toPoint()))
        {
            this->setState(QAbstractItemView::NoState);
            EmitItemDrag(DragStart.GetButton(), DragStart.GetItem());
            return;
        }
        TView::mouseMoveEvent(lpEvent);
    }
    void mouseReleaseEvent(QMouseEvent *lpEvent) override
    {
        DragStart.Release();
        TView::mouseReleaseEvent(lpEvent);
        EmitMouseUp(lpEvent->button(), lpEvent->position().toPoint());
    }

private:
    CDragStart DragStart;
};

class GCFTreeWidget final : public CItemViewEvents<QTreeWidget>
{
    Q_OBJECT

public:
    using CItemViewEvents::CItemViewEvents;

    // Qt lays out open folders recursively, one call per level, so a crafted
    // archive whose folders nest tens of thousands deep would exhaust the
    // stack once they were all open. No folder deeper than this is opened.
    static constexpr int MAX_OPEN_DEPTH = 1000;
    // 0 for a top-level item.
    static int Depth(const QTreeWidgetItem *lpItem);
    // Opens the item and every folder below it (the "*" key does the same).
    void ExpandAllBelow(QTreeWidgetItem *lpItem);
    // Selects the item, opening the folders above it and scrolling to it;
    // an item too deep to show is selected without being shown.
    void SelectAndReveal(QTreeWidgetItem *lpItem);

signals:
    void MouseDown(Qt::MouseButton eButton, QPoint Position);
    void MouseUp(Qt::MouseButton eButton, QPoint Position);
    void ItemDrag(Qt::MouseButton eButton, QTreeWidgetItem *lpItem);
    void KeyDown(EViewKey eKey);

protected:
    // "*" opens everything below the current folder; the tree keeps its
    // own keys but for the menu and the parent folder.
    bool KeyToWindow(QKeyEvent *lpEvent) override;
    void EmitKeyDown(EViewKey eKey) override { emit KeyDown(eKey); }
    void EmitMouseDown(Qt::MouseButton eButton, QPoint Position) override { emit MouseDown(eButton, Position); }
    void EmitItemDrag(Qt::MouseButton eButton, const QModelIndex &Item) override
    {
        emit ItemDrag(eButton, itemFromIndex(Item));
    }
    void EmitMouseUp(Qt::MouseButton eButton, QPoint Position) override { emit MouseUp(eButton, Position); }
};

// What the Icons, List and Details views hand to the window, each event with
// the view it happened in: the two views are one list to the user, shown two
// ways, and the window answers both alike.
class CListViewEvents final : public QObject
{
    Q_OBJECT

public:
    using QObject::QObject;

signals:
    void MouseUp(QAbstractItemView *lpView, Qt::MouseButton eButton, QPoint Position);
    void ItemDrag(QAbstractItemView *lpView, Qt::MouseButton eButton, const QModelIndex &Item);
    void KeyDown(QAbstractItemView *lpView, EViewKey eKey);
};

// A view of the list that reports to the window through Events.
template <class TView>
class CListItemView final : public CItemViewEvents<TView>
{
public:
    explicit CListItemView(CListViewEvents &Events) : Events(Events) {}

protected:
    void EmitKeyDown(EViewKey eKey) override { emit Events.KeyDown(this, eKey); }
    void EmitItemDrag(Qt::MouseButton eButton, const QModelIndex &Item) override
    {
        emit Events.ItemDrag(this, eButton, Item);
    }
    void EmitMouseUp(Qt::MouseButton eButton, QPoint Position) override
    {
        emit Events.MouseUp(this, eButton, Position);
    }

private:
    CListViewEvents &Events;
};

// The Icons and List views.
using GCFListView = CListItemView<QListView>;

// The cells of the Icons and List views, so that two names never show
// alike. In the List view a large folder's cells all take the size of one
// (uniform sizes make it fast), and that size is the one of the folder's
// longest name, not of its last. In the Icons view a name wraps onto up to
// ICON_TEXT_LINES lines under its picture and is cut at the end past them.
class GCFListItemDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    explicit GCFListItemDelegate(QListView *lpView);

    static constexpr int ICON_TEXT_LINES = 3;
    // The Icons view's grid: room for a 32-pixel picture and the lines.
    static QSize IconGridSize(const QFontMetrics &Metrics);

    QSize sizeHint(const QStyleOptionViewItem &Option, const QModelIndex &Index) const override;

    // The rows changed (another folder, a filter): the longest name is
    // looked for again when next asked.
    void ForgetLongestName() { LongestNameSize = QSize(); }

    // sName in at most ICON_TEXT_LINES lines of iWidth pixels, broken
    // between words where it can and anywhere where it must (names without
    // blanks are common), the last line cut at its end with "..." when the
    // name needs more. The lines are joined by line separators.
    static QString WrappedName(const QString &sName, const QFont &Font, int iWidth);

protected:
    // In the Icons view the style's own wrapping breaks only between words.
    void initStyleOption(QStyleOptionViewItem *lpOption, const QModelIndex &Index) const override;

private:
    QSize FindLongestNameSize(const QStyleOptionViewItem &Option) const;
    // The width of a name as the sum of its characters' widths: within a
    // few pixels of the laid-out width, at a small part of its cost.
    qreal EstimatedWidth(const QFontMetricsF &Metrics, const QString &sName) const;

    QListView *lpView;
    mutable QSize LongestNameSize;
    mutable QFont MeasuredFont;
    mutable QHash<char16_t, qreal> CharacterWidths;
};

// The cells of the Details view. A cell's text is cut to fit its column by
// the style, which lays out the whole text to do so: a location of 4,096
// bytes took milliseconds a cell, a tenth of a second a page. A text far
// longer than any column shows is first cut to its part that can show,
// with "..." where it was cut.
class GCFDetailsItemDelegate final : public QStyledItemDelegate
{
    Q_OBJECT

public:
    using QStyledItemDelegate::QStyledItemDelegate;

    static constexpr qsizetype MOST_SHOWN_CHARACTERS = 512;

protected:
    void initStyleOption(QStyleOptionViewItem *lpOption, const QModelIndex &Index) const override;
};

// The Details view.
using GCFDetailsView = CListItemView<QTreeView>;

}  // namespace Larkspur
