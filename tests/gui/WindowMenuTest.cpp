// The context menus as the mouse opens them, and the console's menu.

#include "WindowFixture.h"

#include <QApplication>
#include <QClipboard>

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

    Action("btnClearConsoleText")->trigger();
    EXPECT_TRUE(lpConsole->toPlainText().isEmpty());
    EXPECT_FALSE(lpCopy->isEnabled());
    EXPECT_FALSE(lpSelectAll->isEnabled());
    EXPECT_TRUE(Action("btnClearConsoleText")->isEnabled());
}

}  // namespace
