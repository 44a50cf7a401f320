// SPDX-License-Identifier: MIT
// The main window's controls, menus and status bar, the context menus and
// their show-and-hide rules, and the console's own commands.

#include "window/CLarkspur.h"

#include "window/ConsoleView.h"
#include "window/GCFTreeNode.h"
#include "window/Images.h"
#include "window/ItemViews.h"
#include "window/LayoutRules.h"
#include "window/MenuRules.h"

#include <QActionGroup>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QSplitter>
#include <QStackedWidget>
#include <QStatusBar>

namespace Larkspur
{

namespace
{

// The window's inner size at start, as a Windows client area counts it: the
// panes and the status bar, without the menu bar.
constexpr int CLIENT_WIDTH = 592;
constexpr int CLIENT_HEIGHT = 395;
constexpr int TREE_WIDTH = 200;
constexpr int CONSOLE_HEIGHT = 80;
constexpr int SPLITTER_WIDTH = 3;
constexpr int STATUS_BAR_HEIGHT = 22;

// A splitter between two panes that neither pane can be dragged shut on.
QSplitter *AddSplitter(Qt::Orientation eOrientation, const char *szName, QWidget *lpFirst, QWidget *lpSecond)
{
    auto *lpSplitter = new QSplitter(eOrientation);
    lpSplitter->setObjectName(QLatin1String(szName));
    lpSplitter->setHandleWidth(SPLITTER_WIDTH);
    lpSplitter->setChildrenCollapsible(false);
    lpSplitter->addWidget(lpFirst);
    lpSplitter->addWidget(lpSecond);
    return lpSplitter;
}

QAction *AddAction(QMenu *lpMenu, const char *szName, const QString &sText)
{
    QAction *lpAction = lpMenu->addAction(sText);
    lpAction->setObjectName(QLatin1String(szName));
    return lpAction;
}

QAction *AddSeparator(QMenu *lpMenu, const char *szName)
{
    QAction *lpSeparator = lpMenu->addSeparator();
    lpSeparator->setObjectName(QLatin1String(szName));
    return lpSeparator;
}

QMenu *AddMenu(QMenuBar *lpMenuBar, const char *szName, const QString &sText)
{
    QMenu *lpMenu = lpMenuBar->addMenu(sText);
    lpMenu->setObjectName(QLatin1String(szName));
    return lpMenu;
}

QLabel *AddPanel(QWidget *lpPanels, const char *szName, const QString &sText, const QString &sToolTip)
{
    auto *lpPanel = new QLabel(sText, lpPanels);
    lpPanel->setObjectName(QLatin1String(szName));
    lpPanel->setToolTip(sToolTip);
    lpPanel->setFrameShape(QFrame::Panel);
    lpPanel->setFrameShadow(QFrame::Sunken);
    lpPanel->setTextFormat(Qt::PlainText);
    return lpPanel;
}

}  // namespace

void CLarkspur::InitializeComponent()
{
    setObjectName(QStringLiteral("CLarkspur"));
    setWindowTitle(QLatin1String(EMPTY_TITLE));
    setWindowIcon(ProgramIcon());

    InitializeMenus();
    InitializeContextMenus();
    InitializePanes();
    InitializeStatusBar();

    // An archive dropped anywhere on the window opens; no control inside it
    // takes a drop of its own (the console and the filter box would take
    // text), so every drop reaches the window's own rule.
    for (QWidget *lpChild : findChildren<QWidget *>())
        lpChild->setAcceptDrops(false);
    setAcceptDrops(true);

    // Qt counts the menu bar inside the window, Windows outside the client
    // area: add it, so that the panes and the status bar get the client size.
    resize(CLIENT_WIDTH, CLIENT_HEIGHT + mnuMain->sizeHint().height());
}

void CLarkspur::InitializeMenus()
{
    mnuMain = menuBar();
    mnuMain->setObjectName(QStringLiteral("mnuMain"));

    btnFileMenu = AddMenu(mnuMain, "btnFileMenu", QStringLiteral("&File"));
    btnOpen = AddAction(btnFileMenu, "btnOpen", QStringLiteral("&Open"));
    btnOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    btnRecentFiles = btnFileMenu->addMenu(QStringLiteral("&Recent Files"));
    btnRecentFiles->setObjectName(QStringLiteral("btnRecentFiles"));
    btnRecentFiles->menuAction()->setVisible(false);
    btnFileLine1 = AddSeparator(btnFileMenu, "btnFileLine1");
    btnExit = AddAction(btnFileMenu, "btnExit", QStringLiteral("E&xit"));
    // Alt+F4 is the one the menu shows; Ctrl+Q is how programs quit here.
    btnExit->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_F4), QKeySequence(Qt::CTRL | Qt::Key_Q)});

    btnEdit = AddMenu(mnuMain, "btnEdit", QStringLiteral("&Edit"));
    btnFind = AddAction(btnEdit, "btnFind", QStringLiteral("&Find"));
    btnFind->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_F));
    btnFind->setEnabled(false);

    InitializeViewMenu();

    btnHelp = AddMenu(mnuMain, "btnHelp", QStringLiteral("&Help"));
    btnAbout = AddAction(btnHelp, "btnAbout", QStringLiteral("&About"));

    connect(btnOpen, &QAction::triggered, this, [this] { btnOpen_Click(); });
    connect(btnExit, &QAction::triggered, this, [this] { btnExit_Click(); });
    connect(btnFind, &QAction::triggered, this, [this] { btnFind_Click(); });
    connect(btnAbout, &QAction::triggered, this, [this] { btnAbout_Click(); });
}

void CLarkspur::InitializeViewMenu()
{
    btnView = AddMenu(mnuMain, "btnView", QStringLiteral("&View"));
    ViewGroup = new QActionGroup(this);
    ViewGroup->setExclusive(true);
    btnIcons = AddAction(btnView, "btnIcons", QStringLiteral("&Icons"));
    btnList = AddAction(btnView, "btnList", QStringLiteral("&List"));
    btnDetails = AddAction(btnView, "btnDetails", QStringLiteral("&Details"));
    for (QAction *lpViewItem : {btnIcons, btnList, btnDetails})
    {
        lpViewItem->setCheckable(true);
        ViewGroup->addAction(lpViewItem);
    }
    btnViewLine1 = AddSeparator(btnView, "btnViewLine1");
    btnSortBy = btnView->addMenu(QStringLiteral("&Sort By"));
    btnSortBy->setObjectName(QStringLiteral("btnSortBy"));
    SortGroup = new QActionGroup(this);
    // Search results sorted by location check none of the four.
    SortGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    btnSortByName = AddAction(btnSortBy, "btnSortByName", QStringLiteral("&Name"));
    btnSortBySize = AddAction(btnSortBy, "btnSortBySize", QStringLiteral("&Size"));
    btnSortByType = AddAction(btnSortBy, "btnSortByType", QStringLiteral("&Type"));
    btnSortByArchiveOrder = AddAction(btnSortBy, "btnSortByArchiveOrder", QStringLiteral("&Archive Order"));
    for (QAction *lpSortItem : {btnSortByName, btnSortBySize, btnSortByType, btnSortByArchiveOrder})
    {
        lpSortItem->setCheckable(true);
        SortGroup->addAction(lpSortItem);
    }
    btnSortByArchiveOrder->setChecked(true);
    // Access keys that no other item of the View menu takes (I, L, D, S).
    btnFilter = AddAction(btnView, "btnFilter", QStringLiteral("&Filter"));
    btnFilter->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_I));
    btnFilter->setCheckable(true);
    // The key is handled apart from a click on the item (btnFilter_KeyDown).
    btnFilter->installEventFilter(this);
    btnPreview = AddAction(btnView, "btnPreview", QStringLiteral("&Preview"));
    btnPreview->setShortcut(QKeySequence(Qt::Key_F3));
    btnPreview->setCheckable(true);

    connect(btnIcons, &QAction::triggered, this, [this] { btnIcons_Click(); });
    connect(btnList, &QAction::triggered, this, [this] { btnList_Click(); });
    connect(btnDetails, &QAction::triggered, this, [this] { btnDetails_Click(); });
    connect(btnSortByName, &QAction::triggered, this, [this] { btnSortBy_Click(ESortKey::Name); });
    connect(btnSortBySize, &QAction::triggered, this, [this] { btnSortBy_Click(ESortKey::Size); });
    connect(btnSortByType, &QAction::triggered, this, [this] { btnSortBy_Click(ESortKey::Type); });
    connect(btnSortByArchiveOrder, &QAction::triggered, this, [this] { btnSortBy_Click(ESortKey::ArchiveOrder); });
    connect(btnFilter, &QAction::triggered, this, [this] { btnFilter_Click(); });
    connect(btnPreview, &QAction::triggered, this, [this] { btnPreview_Click(); });
}

void CLarkspur::InitializeContextMenus()
{
    mnuGCFTreeItem = new QMenu(this);
    mnuGCFTreeItem->setObjectName(QStringLiteral("mnuGCFTreeItem"));
    btnExtractGCFTreeItem = AddAction(mnuGCFTreeItem, "btnExtractGCFTreeItem", QStringLiteral("&Extract"));
    btnExecuteGCFTreeItem = AddAction(mnuGCFTreeItem, "btnExecuteGCFTreeItem", QStringLiteral("&Shell Execute"));
    btnGCFTreeItemSpace1 = AddSeparator(mnuGCFTreeItem, "btnGCFTreeItemSpace1");
    btnGCFTreeItemExpandAll = AddAction(mnuGCFTreeItem, "btnGCFTreeItemExpandAll", QStringLiteral("&Expand All"));
    btnGCFTreeItemCollapseAll =
        AddAction(mnuGCFTreeItem, "btnGCFTreeItemCollapseAll", QStringLiteral("&Collapse All"));
    btnGCFTreeItemSpace2 = AddSeparator(mnuGCFTreeItem, "btnGCFTreeItemSpace2");
    btnGCFTreeItemProperties = AddAction(mnuGCFTreeItem, "btnGCFTreeItemProperties", QStringLiteral("&Properties"));

    mnuGCFListViewItem = new QMenu(this);
    mnuGCFListViewItem->setObjectName(QStringLiteral("mnuGCFListViewItem"));
    btnExtractGCFListViewItem =
        AddAction(mnuGCFListViewItem, "btnExtractGCFListViewItem", QStringLiteral("&Extract"));
    btnExecuteGCFListViewItem =
        AddAction(mnuGCFListViewItem, "btnExecuteGCFListViewItem", QStringLiteral("&Shell Execute"));
    btnGCFListViewItemSpace1 = AddSeparator(mnuGCFListViewItem, "btnGCFListViewItemSpace1");
    btnGCFListViewItemGoToDirectory =
        AddAction(mnuGCFListViewItem, "btnGCFListViewItemGoToDirectory", QStringLiteral("&Go To Directory"));
    btnGCFListViewItemSpace2 = AddSeparator(mnuGCFListViewItem, "btnGCFListViewItemSpace2");
    btnGCFListViewItemProperties =
        AddAction(mnuGCFListViewItem, "btnGCFListViewItemProperties", QStringLiteral("&Properties"));

    mnuConsole = new QMenu(this);
    mnuConsole->setObjectName(QStringLiteral("mnuConsole"));
    btnCopyConsoleText = AddAction(mnuConsole, "btnCopyConsoleText", QStringLiteral("&Copy"));
    btnSelectAllConsoleText = AddAction(mnuConsole, "btnSelectAllConsoleText", QStringLiteral("Select &All"));
    btnConsoleSpace1 = AddSeparator(mnuConsole, "btnConsoleSpace1");
    btnClearConsoleText = AddAction(mnuConsole, "btnClearConsoleText", QStringLiteral("&Clear"));
    btnCopyConsoleText->setEnabled(false);
    btnSelectAllConsoleText->setEnabled(false);

    connect(btnExtractGCFTreeItem, &QAction::triggered, this, [this] { btnExtractGCFTreeItem_Click(); });
    connect(btnExecuteGCFTreeItem, &QAction::triggered, this, [this] { btnExecuteGCFTreeItem_Click(); });
    connect(btnGCFTreeItemExpandAll, &QAction::triggered, this, [this] { btnGCFTreeItemExpandAll_Click(); });
    connect(btnGCFTreeItemCollapseAll, &QAction::triggered, this, [this] { btnGCFTreeItemCollapseAll_Click(); });
    connect(btnGCFTreeItemProperties, &QAction::triggered, this, [this] { btnGCFTreeItemProperties_Click(); });
    connect(btnExtractGCFListViewItem, &QAction::triggered, this, [this] { btnExtractGCFListViewItem_Click(); });
    connect(btnExecuteGCFListViewItem, &QAction::triggered, this, [this] { btnExecuteGCFListViewItem_Click(); });
    connect(btnGCFListViewItemGoToDirectory, &QAction::triggered, this,
            [this] { btnGCFListViewItemGoToDirectory_Click(); });
    connect(btnGCFListViewItemProperties, &QAction::triggered, this,
            [this] { btnGCFListViewItemProperties_Click(); });
    connect(btnCopyConsoleText, &QAction::triggered, this, [this] { btnCopyConsoleText_Click(); });
    connect(btnSelectAllConsoleText, &QAction::triggered, this, [this] { btnSelectAllConsoleText_Click(); });
    connect(btnClearConsoleText, &QAction::triggered, this, [this] { btnClearConsoleText_Click(); });
}

void CLarkspur::InitializePanes()
{
    InitializeTree();
    InitializeList();

    splMain = AddSplitter(Qt::Horizontal, "splMain", treGCFFile, pnlList);
    InitializePreview();
    splMain->setStretchFactor(0, 0);
    splMain->setStretchFactor(1, 1);
    splMain->setSizes({TREE_WIDTH, CLIENT_WIDTH - TREE_WIDTH - SPLITTER_WIDTH});

    pnlMain = new QWidget;
    pnlMain->setObjectName(QStringLiteral("pnlMain"));
    auto *lpMainLayout = new QHBoxLayout(pnlMain);
    lpMainLayout->setContentsMargins(0, 0, 0, 0);
    lpMainLayout->addWidget(splMain);

    InitializeConsole();
    splConsole = AddSplitter(Qt::Vertical, "splConsole", pnlMain, pnlConsole);
    // The console keeps its height when the window grows; the panes above
    // take the rest.
    splConsole->setStretchFactor(0, 1);
    splConsole->setStretchFactor(1, 0);
    splConsole->setSizes({CLIENT_HEIGHT - STATUS_BAR_HEIGHT - SPLITTER_WIDTH - CONSOLE_HEIGHT, CONSOLE_HEIGHT});
    setCentralWidget(splConsole);
}

void CLarkspur::InitializeTree()
{
    treGCFFile = new GCFTreeWidget;
    treGCFFile->setObjectName(QStringLiteral("treGCFFile"));
    treGCFFile->setHeaderHidden(true);
    treGCFFile->setColumnCount(1);
    treGCFFile->setSelectionMode(QAbstractItemView::SingleSelection);
    treGCFFile->setIconSize(QSize(16, 16));
    // Every row is one line of text with a 16-pixel picture; saying so spares
    // the view measuring a hundred thousand rows.
    treGCFFile->setUniformRowHeights(true);
    treGCFFile->setEditTriggers(QAbstractItemView::NoEditTriggers);
    treGCFFile->setAccessibleName(QStringLiteral("Folders"));

    connect(treGCFFile, &GCFTreeWidget::MouseDown, this,
            [this](Qt::MouseButton eButton, QPoint Position) { treGCFFile_MouseDown(eButton, Position); });
    connect(treGCFFile, &GCFTreeWidget::MouseUp, this,
            [this](Qt::MouseButton eButton, QPoint Position) { treGCFFile_MouseUp(eButton, Position); });
    connect(treGCFFile, &GCFTreeWidget::ItemDrag, this,
            [this](Qt::MouseButton eButton, QTreeWidgetItem *lpItem) { treGCFFile_ItemDrag(eButton, lpItem); });
    connect(treGCFFile, &QTreeWidget::itemSelectionChanged, this, [this] { treGCFFile_AfterSelect(); });
    connect(treGCFFile, &GCFTreeWidget::KeyDown, this, [this](EViewKey eKey) { treGCFFile_KeyDown(eKey); });
}

void CLarkspur::InitializeList()
{
    ListModel = new GCFListModel(this);
    auto *lpListEvents = new CListViewEvents(this);
    lstGCFFileIcons = new GCFListView(*lpListEvents);
    lstGCFFileIcons->setObjectName(QStringLiteral("lstGCFFileIcons"));
    lstGCFFileIcons->setModel(ListModel);
    lstGCFFileIcons->setUniformItemSizes(true);
    lstGCFFileIcons->setMovement(QListView::Static);
    lstGCFFileIcons->setResizeMode(QListView::Adjust);
    lstGCFFileIcons->setItemDelegate(new GCFListItemDelegate(lstGCFFileIcons));
    // Long names keep their extension in view.
    lstGCFFileIcons->setTextElideMode(Qt::ElideMiddle);

    lstGCFFileDetails = new GCFDetailsView(*lpListEvents);
    lstGCFFileDetails->setObjectName(QStringLiteral("lstGCFFileDetails"));
    lstGCFFileDetails->setModel(ListModel);
    lstGCFFileDetails->setSelectionModel(lstGCFFileIcons->selectionModel());
    lstGCFFileDetails->setItemDelegate(new GCFDetailsItemDelegate(lstGCFFileDetails));
    lstGCFFileDetails->setRootIsDecorated(false);
    lstGCFFileDetails->setItemsExpandable(false);
    lstGCFFileDetails->setUniformRowHeights(true);
    lstGCFFileDetails->setAllColumnsShowFocus(true);
    QHeaderView *lpHeader = lstGCFFileDetails->header();
    // A click on Name, Size or Type sorts the list (lstGCFFile_ColumnClick).
    lpHeader->setSectionsClickable(true);
    lpHeader->setSortIndicatorShown(true);
    lpHeader->setSortIndicator(-1, Qt::AscendingOrder);
    lpHeader->setSectionsMovable(false);
    lpHeader->setStretchLastSection(false);

    for (QAbstractItemView *lpView : {static_cast<QAbstractItemView *>(lstGCFFileIcons),
                                      static_cast<QAbstractItemView *>(lstGCFFileDetails)})
    {
        lpView->setSelectionMode(QAbstractItemView::ExtendedSelection);
        // Whole rows, so that a row selected in one view shows selected in
        // the other as well.
        lpView->setSelectionBehavior(QAbstractItemView::SelectRows);
        lpView->setEditTriggers(QAbstractItemView::NoEditTriggers);
        lpView->setIconSize(QSize(16, 16));
        // The two views are one list to the user, shown two ways.
        lpView->setAccessibleName(QStringLiteral("Items"));
        connect(lpView, &QAbstractItemView::doubleClicked, this, [this] { lstGCFFile_DoubleClick(); });
    }
    connect(lpListEvents, &CListViewEvents::KeyDown, this, &CLarkspur::lstGCFFile_KeyDown);
    connect(lpListEvents, &CListViewEvents::MouseUp, this, &CLarkspur::lstGCFFile_MouseUp);
    connect(lpListEvents, &CListViewEvents::ItemDrag, this, &CLarkspur::lstGCFFile_ItemDrag);
    lstGCFFileDetails->viewport()->installEventFilter(this);

    lstGCFFile = new QStackedWidget;
    lstGCFFile->setObjectName(QStringLiteral("lstGCFFile"));
    lstGCFFile->addWidget(lstGCFFileIcons);
    lstGCFFile->addWidget(lstGCFFileDetails);
    lstGCFFile->setCurrentWidget(lstGCFFileDetails);
    InitializeFilter();
}

void CLarkspur::InitializeConsole()
{
    txtConsole = new GCFConsole;
    txtConsole->setObjectName(QStringLiteral("txtConsole"));
    txtConsole->setAccessibleName(QStringLiteral("Console"));
    txtConsole->setLineWrapMode(QPlainTextEdit::NoWrap);
    connect(txtConsole, &GCFConsole::MouseMenu, this,
            [this](QPoint Position) { mnuConsole->popup(txtConsole->viewport()->mapToGlobal(Position)); });
    connect(txtConsole, &GCFConsole::KeyDown, this, [this](EViewKey eKey) { txtConsole_KeyDown(eKey); });
    connect(txtConsole, &QPlainTextEdit::textChanged, this, [this] { txtConsole_TextChanged(); });
    connect(txtConsole, &QPlainTextEdit::selectionChanged, this, [this] { txtConsole_SelectionChanged(); });

    pnlConsole = new QWidget;
    pnlConsole->setObjectName(QStringLiteral("pnlConsole"));
    auto *lpConsoleLayout = new QHBoxLayout(pnlConsole);
    lpConsoleLayout->setContentsMargins(0, 0, 0, 0);
    lpConsoleLayout->addWidget(txtConsole);
}

void CLarkspur::InitializeStatusBar()
{
    barMain = statusBar();
    barMain->setObjectName(QStringLiteral("barMain"));
    barMain->setSizeGripEnabled(false);
    // QStatusBar puts its own spacing before and between the widgets it
    // holds. The panels therefore share one holder that fills the bar and
    // place themselves in it edge to edge, so that their fifths add up to
    // the bar's width and never overlap. The holder follows the bar's width
    // whatever the panels' texts are.
    pnlPanels = new QWidget(barMain);
    pnlPanels->setObjectName(QStringLiteral("pnlPanels"));
    pnlPanels->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
    pnlFile = AddPanel(pnlPanels, "pnlFile", QString(), QStringLiteral("Loaded GCF File"));
    pnlFileSize = AddPanel(pnlPanels, "pnlFileSize", QStringLiteral("0 B"), QStringLiteral("GCF File Size"));
    pnlGCFVersion = AddPanel(pnlPanels, "pnlGCFVersion", QStringLiteral("v0"), QStringLiteral("GCF File Version"));
    pnlUsedBlocks =
        AddPanel(pnlPanels, "pnlUsedBlocks", QStringLiteral("0/0"), QStringLiteral("GCF File Used Blocks"));
    pnlPanels->setFixedHeight(pnlFileSize->sizeHint().height());
    barMain->addWidget(pnlPanels, 1);
    pnlPanels->installEventFilter(this);
}

void CLarkspur::barMain_SizeChanged()
{
    const std::array<QRect, 4> Geometries = PanelGeometries(pnlPanels->rect());
    pnlFile->setGeometry(Geometries[0]);
    pnlFileSize->setGeometry(Geometries[1]);
    pnlGCFVersion->setGeometry(Geometries[2]);
    pnlUsedBlocks->setGeometry(Geometries[3]);
}

void CLarkspur::treGCFFile_MouseDown(Qt::MouseButton eButton, QPoint Position)
{
    if (eButton != Qt::LeftButton && eButton != Qt::RightButton)
        return;
    // Any point of a node's row counts, its expand button included, so a
    // right-click selects (and lists) the node before its menu opens.
    if (QTreeWidgetItem *lpItem = treGCFFile->itemAt(Position))
        treGCFFile->setCurrentItem(lpItem);
    else
        ClearTreeSelection();
}

void CLarkspur::treGCFFile_MouseUp(Qt::MouseButton eButton, QPoint Position)
{
    if (eButton != Qt::RightButton)
        return;
    if (auto *Node = static_cast<GCFTreeNode *>(treGCFFile->itemAt(Position)))
        ShowTreeMenu(Node, treGCFFile->viewport()->mapToGlobal(Position));
}

void CLarkspur::ShowTreeMenu(GCFTreeNode *Node, QPoint GlobalPosition)
{
    const STreeMenuItems Items = TreeMenuItems(Node->GetTreeNodeType());
    btnExecuteGCFTreeItem->setVisible(Items.bShellExecute);
    btnGCFTreeItemSpace1->setVisible(Items.bSpace1);
    btnGCFTreeItemExpandAll->setVisible(Items.bExpandAll);
    btnGCFTreeItemCollapseAll->setVisible(Items.bCollapseAll);
    mnuGCFTreeItem->popup(GlobalPosition);
}

void CLarkspur::lstGCFFile_MouseUp(QAbstractItemView *lpView, Qt::MouseButton eButton, QPoint Position)
{
    if (eButton != Qt::RightButton)
        return;
    const QModelIndex Item = lpView->indexAt(Position);
    if (Item.isValid())
        ShowListMenu(Item.row(), lpView->viewport()->mapToGlobal(Position));
}

void CLarkspur::ShowListMenu(int iRow, QPoint GlobalPosition)
{
    const EItemType eType = ListModel->Row(iRow).GetListViewItemType();
    btnExecuteGCFListViewItem->setVisible(ListMenuShowsShellExecute(eType, int(SelectedListRows().size())));
    mnuGCFListViewItem->popup(GlobalPosition);
}

void CLarkspur::txtConsole_TextChanged()
{
    const SConsoleMenuState State =
        ConsoleMenuState(!txtConsole->document()->isEmpty(), txtConsole->textCursor().hasSelection());
    btnSelectAllConsoleText->setEnabled(State.bSelectAll);
}

void CLarkspur::txtConsole_SelectionChanged()
{
    const SConsoleMenuState State =
        ConsoleMenuState(!txtConsole->document()->isEmpty(), txtConsole->textCursor().hasSelection());
    btnCopyConsoleText->setEnabled(State.bCopy);
}

void CLarkspur::btnCopyConsoleText_Click()
{
    txtConsole->copy();
}

void CLarkspur::btnSelectAllConsoleText_Click()
{
    txtConsole->selectAll();
}

void CLarkspur::btnClearConsoleText_Click()
{
    txtConsole->clear();
    // Clearing a selection along with the text need not report a selection
    // change; Copy must not stay enabled over an empty console.
    txtConsole_SelectionChanged();
}

void CLarkspur::btnExit_Click()
{
    close();
}

}  // namespace Larkspur
