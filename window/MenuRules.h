// SPDX-License-Identifier: MIT
#pragma once
// Which items the context menus show and which console commands are enabled.
// The rules are worked out here, apart from the widgets, so that each one can
// be checked without a window; the window only applies the answers.

#include "window/ItemType.h"

namespace Larkspur
{

// The folder tree's menu, for the node under the pointer. "&Extract", the
// second separator and "&Properties" are always shown.
struct STreeMenuItems
{
    bool bShellExecute;  // a file can be opened; a folder cannot
    bool bSpace1;        // the separator before Expand All
    bool bExpandAll;     // only folders have anything to expand
    bool bCollapseAll;
};
STreeMenuItems TreeMenuItems(EItemType eTreeNodeType);

// The item list's menu: Shell Execute opens one file, so it is offered only
// for a file row under the pointer while at most one row is selected. The
// other five items are always shown.
bool ListMenuShowsShellExecute(EItemType eListViewItemTypeUnderPointer, int iSelectedRows);

// The console's menu: Select All needs text to select, Copy needs a selection.
// Clear is always enabled.
struct SConsoleMenuState
{
    bool bCopy;
    bool bSelectAll;
};
SConsoleMenuState ConsoleMenuState(bool bConsoleHoldsText, bool bSelectionHoldsText);

}  // namespace Larkspur
