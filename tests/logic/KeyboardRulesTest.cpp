// SPDX-License-Identifier: MIT
// The keys of the tree, the list and the console, and where a menu opened
// from the keyboard appears.

#include "window/KeyboardRules.h"

#include <gtest/gtest.h>

using namespace Larkspur;

namespace
{

TEST(KeyboardRulesTest, KeysAndWhatTheyAskFor)
{
    struct SCase
    {
        int iKey;
        Qt::KeyboardModifiers eModifiers;
        EViewKey eExpected;
    };
    const SCase Cases[] = {
        {Qt::Key_Menu, Qt::NoModifier, EViewKey::ContextMenu},
        {Qt::Key_Menu, Qt::ShiftModifier, EViewKey::ContextMenu},
        {Qt::Key_Menu, Qt::ControlModifier, EViewKey::None},
        {Qt::Key_F10, Qt::ShiftModifier, EViewKey::ContextMenu},
        {Qt::Key_F10, Qt::NoModifier, EViewKey::None},  // the menu bar's key
        {Qt::Key_F10, Qt::ShiftModifier | Qt::ControlModifier, EViewKey::None},
        {Qt::Key_Return, Qt::NoModifier, EViewKey::Open},
        {Qt::Key_Enter, Qt::KeypadModifier, EViewKey::Open},
        {Qt::Key_Return, Qt::AltModifier, EViewKey::None},
        {Qt::Key_Backspace, Qt::NoModifier, EViewKey::ParentFolder},
        {Qt::Key_Backspace, Qt::ControlModifier, EViewKey::None},
        {Qt::Key_Up, Qt::AltModifier, EViewKey::ParentFolder},
        {Qt::Key_Up, Qt::AltModifier | Qt::KeypadModifier, EViewKey::ParentFolder},
        {Qt::Key_Up, Qt::NoModifier, EViewKey::None},  // the views' own cursor movement
        {Qt::Key_Up, Qt::AltModifier | Qt::ShiftModifier, EViewKey::None},
        {Qt::Key_A, Qt::NoModifier, EViewKey::None},
        {Qt::Key_Escape, Qt::NoModifier, EViewKey::ClearFilter},
        {Qt::Key_Escape, Qt::ShiftModifier, EViewKey::None},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(ViewKeyCommand(Case.iKey, Case.eModifiers), Case.eExpected)
            << Case.iKey << " " << Case.eModifiers.toInt();
}

TEST(KeyboardRulesTest, TheFilterKeyHidesTheBoxOnlyFromInsideIt)
{
    EXPECT_EQ(FilterKeyCommand(false, false), EFilterKey::ShowAndFocus);
    EXPECT_EQ(FilterKeyCommand(true, false), EFilterKey::Focus);
    EXPECT_EQ(FilterKeyCommand(true, true), EFilterKey::Hide);
}

TEST(KeyboardRulesTest, TheMenuSpeaksForTheFocusedRowWhenItIsSelected)
{
    EXPECT_EQ(KeyboardMenuRow({}, 3), -1);
    EXPECT_EQ(KeyboardMenuRow({}, -1), -1);
    EXPECT_EQ(KeyboardMenuRow({1, 4, 7}, 4), 4);
    EXPECT_EQ(KeyboardMenuRow({1, 4, 7}, 5), 1);
    EXPECT_EQ(KeyboardMenuRow({2}, -1), 2);
}

TEST(KeyboardRulesTest, TheMenuOpensBelowItsItemOrAtTheTopLeft)
{
    const QRect View(0, 0, 200, 100);
    EXPECT_EQ(KeyboardMenuPoint(QRect(0, 20, 150, 18), View), QPoint(16, 37));
    EXPECT_EQ(KeyboardMenuPoint(QRect(0, 20, 10, 18), View), QPoint(9, 37));  // narrower than the indent
    EXPECT_EQ(KeyboardMenuPoint(QRect(0, 120, 150, 18), View), QPoint(0, 0));  // scrolled below
    EXPECT_EQ(KeyboardMenuPoint(QRect(), View), QPoint(0, 0));                // no item rectangle
}

}  // namespace
