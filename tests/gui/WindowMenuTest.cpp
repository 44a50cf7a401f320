// SPDX-License-Identifier: MIT
// The context menus as the mouse and the keyboard open them, and the
// console's menu.

#include "WindowFixture.h"

#include "window/KeyboardRules.h"

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

namespace
{

class WindowMenuTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
        Open(WriteArchive("mixed.gcf", MixedTree()));
    }

    // The texts of the visible items, separators as "-".
    static QStringList VisibleItems(QMenu *lpMenu)
    {
        QStringList Items;
        for (QAction *lpAction : lpMenu->actions())
            if (lpAction->isVisible())
                Items.append(lpAction->isSeparator() ? QString("-") : lpAction->text());
        return Items;
    }

    void RightClick(QWidget *lpViewport, QPoint Position)
    {
        QTest::mousePress(lpViewport, Qt::RightButton, {}, Position);
        QTest::mouseRelease(lpViewport, Qt::RightButton, {}, Position);
    }

    QMenu *OpenMenu(const char *szName)
    {
        QMenu *lpMenu = Child<QMenu>(szName);
        EXPECT_TRUE(QTest::qWaitFor([lpMenu] { return lpMenu->isVisible(); }));
        return lpMenu;
    }
};

// The Menu key and Shift+F10.
struct SMenuKey
{
    Qt::Key eKey;
    Qt::KeyboardModifiers eModifiers;
};
const SMenuKey MENU_KEYS[] = {{Qt::Key_Menu, Qt::NoModifier}, {Qt::Key_F10, Qt::ShiftModifier}};

TEST_F(WindowMenuTest, TreeMenuDependsOnTheNodeUnderThePointer)
{
    struct SCase
    {
        const char *szNode;
        QStringList Items;
    };
    const SCase Cases[] = {
        {"root/b.txt", {"&Extract", "&Shell Execute", "-", "&Properties"}},
        {"root/a", {"&Extract", "-", "&Expand All", "&Collapse All", "-", "&Properties"}},
        {"root", {"&Extract", "-", "&Expand All", "&Collapse All", "-", "&Properties"}},
    };
    for (const SCase &Case : Cases)
    {
        SCOPED_TRACE(Case.szNode);
        RightClick(Tree()->viewport(), NodeCentre(Node(Case.szNode)));
        QMenu *lpMenu = OpenMenu("mnuGCFTreeItem");
        EXPECT_EQ(VisibleItems(lpMenu), Case.Items);
        EXPECT_EQ(SelectedNodeText(), Node(Case.szNode)->text(0));
        lpMenu->close();
    }
}

TEST_F(WindowMenuTest, RightClickBelowTheLastNodeClearsTheSelectionAndOpensNoMenu)
{
    Tree()->setCurrentItem(Node("root/a"));
    const QPoint Below(5, Tree()->viewport()->height() - 2);
    ASSERT_EQ(Tree()->itemAt(Below), nullptr);
    RightClick(Tree()->viewport(), Below);
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_FALSE(Child<QMenu>("mnuGCFTreeItem")->isVisible());
    EXPECT_EQ(ListRows(), QStringList{"inner.txt|1 B|Text File"});
}

TEST_F(WindowMenuTest, ListMenuOffersShellExecuteForOneFileOnly)
{
    struct SCase
    {
        const char *szName;
        std::initializer_list<int> Selected;
        int iRowUnderPointer;
        bool bShellExecute;
    };
    // Rows: 0 b.txt, 1 a (folder), 2 a (file), 3 empty, 4 z.bsp.
    const SCase Cases[] = {
        {"one file", {0}, 0, true},
        {"a folder", {1}, 1, false},
        {"three rows", {0, 2, 4}, 2, false},
    };
    for (const SCase &Case : Cases)
    {
        SCOPED_TRACE(Case.szName);
        SelectRows(Case.Selected);
        // A right press on a selected row keeps the selection, as the list
        // control does.
        QTest::mouseRelease(CurrentList()->viewport(), Qt::RightButton, {}, RowCentre(Case.iRowUnderPointer));
        QMenu *lpMenu = OpenMenu("mnuGCFListViewItem");
        QStringList Expected{"&Extract", "&Shell Execute", "-", "&Go To Directory", "-", "&Properties"};
        if (!Case.bShellExecute)
            Expected.removeAt(1);
        EXPECT_EQ(VisibleItems(lpMenu), Expected);
        lpMenu->close();
    }
}

TEST_F(WindowMenuTest, TreeMenuOpensFromTheKeyboardBesideTheSelectedNode)
{
    const QStringList FileItems{"&Extract", "&Shell Execute", "-", "&Properties"};
    const QStringList FolderItems{"&Extract", "-", "&Expand All", "&Collapse All", "-", "&Properties"};
    for (const SMenuKey &Key : MENU_KEYS)
    {
        for (const auto &[szNode, Items] : {std::pair{"root/b.txt", FileItems}, std::pair{"root/a", FolderItems}})
        {
            SCOPED_TRACE(szNode);
            Tree()->setCurrentItem(Node(szNode));
            QTest::keyClick(Tree(), Key.eKey, Key.eModifiers);
            QMenu *lpMenu = OpenMenu("mnuGCFTreeItem");
            EXPECT_EQ(VisibleItems(lpMenu), Items);
            const QPoint Expected = Larkspur::KeyboardMenuPoint(Tree()->visualItemRect(Node(szNode)),
                                                                Tree()->viewport()->rect());
            EXPECT_EQ(lpMenu->pos(), Tree()->viewport()->mapToGlobal(Expected));
            lpMenu->close();
        }
        // No node selected: no menu, as over empty space.
        Tree()->selectionModel()->clear();
        QTest::keyClick(Tree(), Key.eKey, Key.eModifiers);
        EXPECT_FALSE(Child<QMenu>("mnuGCFTreeItem")->isVisible());
    }
}

TEST_F(WindowMenuTest, ListMenuOpensFromTheKeyboardInEveryView)
{
    struct SCase
    {
        const char *szName;
        std::initializer_list<int> Selected;
        bool bMenu, bShellExecute;
    };
    // Rows: 0 b.txt, 1 a (folder), 2 a (file), 3 empty, 4 z.bsp.
    const SCase Cases[] = {
        {"one file", {0}, true, true},
        {"a folder", {1}, true, false},
        {"three rows", {0, 2, 4}, true, false},
        {"nothing selected", {}, false, false},
    };
    for (const char *szView : {"btnDetails", "btnIcons", "btnList"})
    {
        Action(szView)->trigger();
        for (const SMenuKey &Key : MENU_KEYS)
        {
            for (const SCase &Case : Cases)
            {
                SCOPED_TRACE(std::string(szView) + ", " + Case.szName);
                SelectRows(Case.Selected);
                QTest::keyClick(CurrentList(), Key.eKey, Key.eModifiers);
                QMenu *lpMenu = Child<QMenu>("mnuGCFListViewItem");
                if (!Case.bMenu)
                {
                    EXPECT_FALSE(lpMenu->isVisible());
                    continue;
                }
                OpenMenu("mnuGCFListViewItem");
                EXPECT_EQ(lpMenu->actions().at(1)->isVisible(), Case.bShellExecute);
                lpMenu->close();
            }
        }
    }
}

TEST_F(WindowMenuTest, ConsoleMenuOpensFromTheKeyboard)
{
    auto *lpConsole = Child<QPlainTextEdit>("txtConsole");
    for (const SMenuKey &Key : MENU_KEYS)
    {
        QTest::keyClick(lpConsole, Key.eKey, Key.eModifiers);
        QMenu *lpMenu = OpenMenu("mnuConsole");
        EXPECT_EQ(VisibleItems(lpMenu), (QStringList{"&Copy", "Select &All", "-", "&Clear"}));
        lpMenu->close();
    }
}

TEST_F(WindowMenuTest, ConsoleMenuFollowsTextAndSelection)
{
    auto *lpConsole = Child<QPlainTextEdit>("txtConsole");
    QAction *lpCopy = Action("btnCopyConsoleText");
    QAction *lpSelectAll = Action("btnSelectAllConsoleText");
    EXPECT_TRUE(lpSelectAll->isEnabled());
    EXPECT_FALSE(lpCopy->isEnabled());

    QTextCursor Cursor = lpConsole->textCursor();
    Cursor.setPosition(0);
    Cursor.setPosition(7, QTextCursor::KeepAnchor);
    lpConsole->setTextCursor(Cursor);
    EXPECT_TRUE(lpCopy->isEnabled());
    lpCopy->trigger();
    EXPECT_EQ(QApplication::clipboard()->text(), "Created");

    Cursor.clearSelection();
    lpConsole->setTextCursor(Cursor);
    EXPECT_FALSE(lpCopy->isEnabled());

    lpSelectAll->trigger();
    EXPECT_EQ(lpConsole->textCursor().selectedText().size(), lpConsole->toPlainText().size());
    EXPECT_TRUE(lpCopy->isEnabled());
    // Plain text only, with ordinary line breaks, from the menu and from Ctrl+C.
    const std::function<void()> Copies[] = {[&] { lpCopy->trigger(); },
                                            [&] { QTest::keySequence(lpConsole, QKeySequence::Copy); }};
    for (const std::function<void()> &Copy : Copies)
    {
        QApplication::clipboard()->clear();
        Copy();
        EXPECT_EQ(QApplication::clipboard()->mimeData()->formats(), QStringList{"text/plain"});
        EXPECT_EQ(QApplication::clipboard()->text(), lpConsole->toPlainText());
    }

    Action("btnClearConsoleText")->trigger();
    EXPECT_TRUE(lpConsole->toPlainText().isEmpty());
    EXPECT_FALSE(lpCopy->isEnabled());
    EXPECT_FALSE(lpSelectAll->isEnabled());
    EXPECT_TRUE(Action("btnClearConsoleText")->isEnabled());
}

}  // namespace
