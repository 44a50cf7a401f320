// SPDX-License-Identifier: MIT
#include "window/MenuRules.h"

namespace Larkspur
{

STreeMenuItems TreeMenuItems(EItemType eTreeNodeType)
{
    const bool bFolder = eTreeNodeType == EItemType::Folder;
    return STreeMenuItems{!bFolder, bFolder, bFolder, bFolder};
}

bool ListMenuShowsShellExecute(EItemType eListViewItemTypeUnderPointer, int iSelectedRows)
{
    return eListViewItemTypeUnderPointer != EItemType::Folder && iSelectedRows <= 1;
}

SConsoleMenuState ConsoleMenuState(bool bConsoleHoldsText, bool bSelectionHoldsText)
{
    return SConsoleMenuState{bSelectionHoldsText, bConsoleHoldsText};
}

}  // namespace Larkspur
