// SPDX-License-Identifier: MIT
#pragma once
// What the keyboard asks of the folder tree, the item list and the console,
// and where a menu opened from the keyboard appears. Worked out apart from
// the widgets so that each rule can be checked without a window.

#include <QPoint>
#include <QRect>
#include <Qt>

#include <vector>

namespace Larkspur
{

enum class EViewKey
{
    None,
    ContextMenu,   // the Menu key or Shift+F10: the context menu of the selected item
    Open,          // Enter: what a double-click does
    ParentFolder,  // Backspace or Alt+Up: select the folder one level up
    ClearFilter,   // Escape (the item list): the filter box is cleared and hidden
};
// The keypad flag does not count: Enter on the keypad is Enter.
EViewKey ViewKeyCommand(int iKey, Qt::KeyboardModifiers eModifiers);

// Ctrl+I, the filter box's key: it shows the box and moves the focus into it
// when the box is hidden, only moves the focus when the box shows but the
// focus is elsewhere (the text typed stays), and hides the box when pressed
// inside it.
enum class EFilterKey
{
    ShowAndFocus,
    Focus,
    Hide,
};
EFilterKey FilterKeyCommand(bool bShown, bool bFocused);

// The list row a menu opened from the keyboard speaks for, as a right-click
// speaks for the row under the pointer: the focused row when it is one of
// the selected rows, otherwise the first selected one; -1 when no row is
// selected (no menu then, as over empty space).
int KeyboardMenuRow(const std::vector<int> &SelectedRows, int iCurrentRow);

// A menu opened from the keyboard appears below the left part of its item,
// or at the top left of the view when the item is scrolled out of sight.
// Both rectangles are in the view's own coordinates.
QPoint KeyboardMenuPoint(QRect ItemRect, QRect ViewRect);

}  // namespace Larkspur
