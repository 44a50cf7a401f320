#include "window/MenuRules.h"

namespace Larkspur
{

STreeMenuItems TreeMenuItems(int iTreeNodeType)
{
    const bool bFolder = iTreeNodeType == FOLDER_ITEM;
    return STreeMenuItems{!bFolder, bFolder, bFolder, bFolder};
}

bool ListMenuShowsShellExecute(int iListViewItemTypeUnderPointer, int iSelectedRows)
{
    return iListViewItemTypeUnderPointer != FOLDER_ITEM && iSelectedRows <= 1;
}

SConsoleMenuState ConsoleMenuState(bool bConsoleHoldsText, bool bSelectionHoldsText)
{
    return SConsoleMenuState{bSelectionHoldsText, bConsoleHoldsText};
}

}  // namespace Larkspur
