// SPDX-License-Identifier: MIT
// The window from the keyboard: Enter in the list, up to the parent folder,
// Extract through the keyboard menus, Ctrl+Q, the focus while lines are
// written, colours on a dark palette and the names screen readers announce.

#include "WindowFixture.h"

#include "dialogs/CAbout.h"
#include "window/Contrast.h"

#include <QAccessible>
#include <QApplication>
#include <QFile>
#include <QRegularExpression>
#include <QScrollBar>
#include <QTextBlock>

using namespace Larkspur;

namespace
{

class WindowKeyboardTest : public WindowTest
{
protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        Start();
        sArchive = WriteArchive("mixed.gcf", MixedTree());
        Open(sArchive);
    }
    QString sArchive;

    // Rows: 0 b.txt, 1 a (folder), 2 a (file), 3 empty, 4 z.bsp.
    void FocusRow(int iRow)
    {
        SelectRows({iRow});
        CurrentList()->selectionModel()->setCurrentIndex(ListModel()->index(iRow, 0), QItemSelectionModel::NoUpdate);
    }

    QStringList RootRows() const
    {
        return {"b.txt|12 B|Text File", "a|1 Item|Folder", "a|23 B|File", "empty|0 Items|Folder",
                "z.bsp|2.00 KB|Half-Life Level"};
    }

    // Makes the window the active one, so that the focus and shortcuts work.
    void Activate()
    {
        QApplication::setActiveWindow(Window.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(Window.get()));
    }
};

SLineRgb Rgb(const QColor &Color)
{
    return {uint8_t(Color.red()), uint8_t(Color.green()), uint8_t(Color.blue())};
}

QPalette DarkPalette()
{
    QPalette Dark;
    Dark.setColor(QPalette::Window, QColor(49, 54, 59));
    Dark.setColor(QPalette::WindowText, QColor(239, 240, 241));
    Dark.setColor(QPalette::Base, QColor(35, 38, 41));
    Dark.setColor(QPalette::Text, QColor(239, 240, 241));
    return Dark;
}

TEST_F(WindowKeyboardTest, EnterOnARowDoesWhatADoubleClickDoes)
{
    struct SKey
    {
        Qt::Key eKey;
        Qt::KeyboardModifiers eModifiers;
    };
    for (const char *szView : {"btnDetails", "btnIcons"})
    {
        Action(szView)->trigger();
        for (const SKey Key : {SKey{Qt::Key_Return, Qt::NoModifier}, SKey{Qt::Key_Enter, Qt::KeypadModifier}})
        {
            SCOPED_TRACE(szView);
            Tree()->setCurrentItem(Tree()->topLevelItem(0));
            FocusRow(0);  // a file: nothing happens
            QTest::keyClick(CurrentList(), Key.eKey, Key.eModifiers);
            EXPECT_EQ(SelectedNodeText(), "root");
            EXPECT_EQ(ListRows(), RootRows());

            FocusRow(1);
            QTest::keyClick(CurrentList(), Key.eKey, Key.eModifiers);
            EXPECT_EQ(Tree()->selectedItems().value(0), Node("root/a"));
            EXPECT_EQ(ListRows(), QStringList{"inner.txt|1 B|Text File"});
        }
    }
}

TEST_F(WindowKeyboardTest, BackspaceAndAltUpSelectTheParentFolder)
{
    struct SStep
    {
        QWidget *lpWidget;
        Qt::Key eKey;
        Qt::KeyboardModifiers eModifiers;
        const char *szSelectedAfter;
    };
    Tree()->setCurrentItem(Node("root/a/inner.txt"));
    const SStep Steps[] = {
        {Tree(), Qt::Key_Backspace, Qt::NoModifier, "root/a"},
        {Details(), Qt::Key_Up, Qt::AltModifier, "root"},
        {Details(), Qt::Key_Backspace, Qt::NoModifier, "root"},  // the root has no parent
        {Tree(), Qt::Key_Up, Qt::AltModifier, "root"},
    };
    for (const SStep &Step : Steps)
    {
        QTest::keyClick(Step.lpWidget, Step.eKey, Step.eModifiers);
        EXPECT_EQ(Tree()->selectedItems().value(0), Node(Step.szSelectedAfter)) << Step.szSelectedAfter;
    }
    EXPECT_EQ(ListRows(), RootRows());
}

TEST_F(WindowKeyboardTest, ExtractIsReachableFromTheKeyboard)
{
    const QString sOut = WorkFolder.filePath("out");
    ASSERT_TRUE(QDir().mkpath(sOut));
    Desktop.sFolder = sOut;

    // A folder in the tree: its menu's "E" is both Extract and Expand All,
    // so it moves to the first and Enter chooses it.
    Tree()->setCurrentItem(Node("root/a"));
    QTest::keyClick(Tree(), Qt::Key_Menu);
    QMenu *lpTreeMenu = Child<QMenu>("mnuGCFTreeItem");
    ASSERT_TRUE(QTest::qWaitFor([lpTreeMenu] { return lpTreeMenu->isVisible(); }));
    QTest::keyClick(lpTreeMenu, Qt::Key_E);
    QTest::keyClick(lpTreeMenu, Qt::Key_Return);
    EXPECT_TRUE(QFile::exists(sOut + "/a/inner.txt"));

    // A file in the list: "E" alone is Extract.
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    FocusRow(4);
    QTest::keyClick(CurrentList(), Qt::Key_F10, Qt::ShiftModifier);
    QMenu *lpListMenu = Child<QMenu>("mnuGCFListViewItem");
    ASSERT_TRUE(QTest::qWaitFor([lpListMenu] { return lpListMenu->isVisible(); }));
    QTest::keyClick(lpListMenu, Qt::Key_E);
    EXPECT_TRUE(QFile::exists(sOut + "/z.bsp"));
    EXPECT_EQ(Desktop.FolderPickerStarts.size(), 2);
}

TEST_F(WindowKeyboardTest, CtrlQClosesTheWindow)
{
    Activate();
    QTest::keyClick(Tree(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(Window->isVisible());
    EXPECT_TRUE(ConsoleLines().contains(sArchive + " closed."));
    EXPECT_TRUE(QFile::exists(ProgramFolder.filePath("larkspur.log")));
}

TEST_F(WindowKeyboardTest, WritingLinesLeavesTheFocusAndTheSelectionAndShowsTheLastLine)
{
    Activate();
    auto *lpConsole = Child<QPlainTextEdit>("txtConsole");
    QTextCursor Selection = lpConsole->textCursor();
    Selection.setPosition(0);
    Selection.setPosition(7, QTextCursor::KeepAnchor);
    lpConsole->setTextCursor(Selection);
    Details()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([&] { return Details()->hasFocus(); }));

    for (int iOpen = 0; iOpen < 20; ++iOpen)
        Open(sArchive);
    EXPECT_TRUE(Details()->hasFocus());
    EXPECT_EQ(lpConsole->textCursor().selectedText(), "Created");
    QScrollBar *lpScroll = lpConsole->verticalScrollBar();
    EXPECT_GT(lpScroll->maximum(), 0);
    EXPECT_EQ(lpScroll->value(), lpScroll->maximum());

    // An Extract command disables the window while it runs; the focus comes
    // back to where it was.
    Desktop.sFolder = WorkFolder.path();
    Tree()->setFocus();
    Tree()->setCurrentItem(Node("root/a"));
    Action("btnExtractGCFTreeItem")->trigger();
    EXPECT_TRUE(Window->isEnabled());
    // The abort dialog has had the activation meanwhile; the window's own
    // focus is what the command gives back.
    EXPECT_EQ(Window->focusWidget(), Tree());
}

TEST_F(WindowKeyboardTest, ConsoleColoursAndTheLinkReadOnADarkPalette)
{
    auto *lpConsole = Child<QPlainTextEdit>("txtConsole");
    // Every run of text: its colour against the console's background.
    const auto Colours = [lpConsole] {
        std::vector<QColor> Found;
        for (QTextBlock Block = lpConsole->document()->begin(); Block.isValid(); Block = Block.next())
            for (auto Fragment = Block.begin(); !Fragment.atEnd(); ++Fragment)
                Found.push_back(Fragment.fragment().charFormat().foreground().color());
        return Found;
    };
    const auto Base = [lpConsole] { return lpConsole->palette().color(QPalette::Base); };

    Window->setPalette(DarkPalette());
    Open(WorkFolder.filePath("missing.gcf"));  // no line, a box
    Open(sArchive);                            // lines written on the dark palette
    ASSERT_GE(Colours().size(), 3u);
    for (const QColor &Colour : Colours())
        EXPECT_GE(Larkspur::ContrastRatio(Rgb(Colour), Rgb(Base())), Larkspur::MIN_CONTRAST)
            << Colour.name().toStdString();

    // Back on a light palette, every line has the colour it always had.
    Window->setPalette(QPalette(Qt::black, Qt::white, Qt::white, Qt::gray, Qt::gray, Qt::black, Qt::white));
    ASSERT_EQ(Base(), QColor(Qt::white));
    for (const QColor &Colour : Colours())
        EXPECT_TRUE(Colour == QColor(0, 128, 0) || Colour == QColor(128, 128, 128)) << Colour.name().toStdString();

    CAbout About(nullptr);
    auto *lpLink = About.findChild<QLabel *>("lnkWebSite");
    const auto LinkColour = [lpLink] {
        return QColor(QRegularExpression("color: (#[0-9a-f]{6})").match(lpLink->text()).captured(1));
    };
    About.setPalette(QPalette(Qt::black, Qt::white, Qt::white, Qt::gray, Qt::gray, Qt::black, Qt::white));
    EXPECT_EQ(LinkColour(), QColor(Qt::black));
    About.setPalette(DarkPalette());
    EXPECT_GE(Larkspur::ContrastRatio(Rgb(LinkColour()), Rgb(lpLink->palette().color(QPalette::Window))),
              Larkspur::MIN_CONTRAST);
}

TEST_F(WindowKeyboardTest, PanesHaveAccessibleNames)
{
    struct SCase
    {
        const char *szWidget, *szName;
    };
    for (const SCase &Case : {SCase{"treGCFFile", "Folders"}, SCase{"lstGCFFileDetails", "Items"},
                              SCase{"lstGCFFileIcons", "Items"}, SCase{"txtConsole", "Console"}})
    {
        QAccessibleInterface *lpAccessible = QAccessible::queryAccessibleInterface(Child<QWidget>(Case.szWidget));
        ASSERT_NE(lpAccessible, nullptr) << Case.szWidget;
        EXPECT_EQ(lpAccessible->text(QAccessible::Name), Case.szName) << Case.szWidget;
    }
}

}  // namespace
