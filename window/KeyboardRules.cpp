// SPDX-License-Identifier: MIT
#include "window/KeyboardRules.h"

#include <algorithm>

namespace Larkspur
{

EViewKey ViewKeyCommand(int iKey, Qt::KeyboardModifiers eModifiers)
{
    eModifiers &= ~Qt::KeypadModifier;
    switch (iKey)
    {
    case Qt::Key_Menu:
        return eModifiers == Qt::NoModifier || eModifiers == Qt::ShiftModifier ? EViewKey::ContextMenu
                                                                               : EViewKey::None;
    case Qt::Key_F10:
        return eModifiers == Qt::ShiftModifier ? EViewKey::ContextMenu : EViewKey::None;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return eModifiers == Qt::NoModifier ? EViewKey::Open : EViewKey::None;
    case Qt::Key_Backspace:
        return eModifiers == Qt::NoModifier ? EViewKey::ParentFolder : EViewKey::None;
    case Qt::Key_Up:
        return eModifiers == Qt::AltModifier ? EViewKey::ParentFolder : EViewKey::None;
    case Qt::Key_Escape:
        return eModifiers == Qt::NoModifier ? EViewKey::ClearFilter : EViewKey::None;
    default:
        return EViewKey::None;
    }
}

EFilterKey FilterKeyCommand(bool bShown, bool bFocused)
{
    if (!bShown)
        return EFilterKey::ShowAndFocus;
    return bFocused ? EFilterKey::Hide : EFilterKey::Focus;
}

int KeyboardMenuRow(const std::vector<int> &SelectedRows, int iCurrentRow)
{
    if (SelectedRows.empty())
        return -1;
    if (std::find(SelectedRows.begin(), SelectedRows.end(), iCurrentRow) != SelectedRows.end())
        return iCurrentRow;
    return SelectedRows.front();
}

QPoint KeyboardMenuPoint(QRect ItemRect, QRect ViewRect)
{
    // A little in from the left, past the item's picture, so that the menu
    // does not hide what it is about.
    constexpr int INDENT = 16;
    const QPoint Point(std::min(ItemRect.left() + INDENT, ItemRect.right()), ItemRect.bottom());
    return ViewRect.contains(Point) ? Point : ViewRect.topLeft();
}

}  // namespace Larkspur
