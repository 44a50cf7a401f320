// SPDX-License-Identifier: MIT
#pragma once
// The main window: one archive at a time, shown as a folder tree beside a
// list of the selected folder's items, with a console below that reports
// every action. Its members are defined beside the subsystem they belong to:
// window/ (construction, layout, menus, opening and closing, the tree and the
// list), extract/ (extraction, the abort dialog, open-with and drag-out),
// dialogs/ (search, properties, about) and settings/ (settings file, recent
// files, placement).

#include "archive/CGCF.h"
#include "archive/CVPK.h"
#include "extract/CExtraction.h"
#include "extract/CTempFolder.h"
#include "settings/CFormPlacement.h"
#include "settings/CProgramFiles.h"
#include "settings/CRecentFiles.h"
#include "window/Console.h"
#include "window/GCFListModel.h"
#include "window/KeyboardRules.h"
#include "window/WindowTexts.h"

#include <QCoreApplication>
#include <QMainWindow>
#include <QModelIndex>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

class QAbstractItemView;
class QAction;
class QActionGroup;
class QDragEnterEvent;
class QDragMoveEvent;
class QDropEvent;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QMenuBar;
class QSplitter;
class QStackedWidget;
class QStatusBar;
class QTimer;
class QTreeView;
class QTreeWidgetItem;

namespace Larkspur
{

class CAbort;
class CAbout;
class CFolderLocations;
class CListViewEvents;
class GCFConsole;
template <class TView>
class CListItemView;
using GCFDetailsView = CListItemView<QTreeView>;
using GCFListView = CListItemView<QListView>;
class GCFPreviewPane;
class GCFTreeNode;
class GCFTreeWidget;
class IDesktop;

class CLarkspur : public QMainWindow
{
    Q_OBJECT

public:
    // Arguments are the program's arguments after its own name. Files names
    // the settings file, the log and where the window's private temporary
    // folder goes (CProgramFiles::Locate).
    CLarkspur(const QStringList &Arguments, IDesktop &Desktop, const SProgramFiles &Files);
    ~CLarkspur() override;

    // Closes the window as File > Exit does, when the program is asked to
    // end from outside (a signal, the session's end): a context menu, a
    // modal dialog or a drag is cancelled first and the window closes once
    // it has returned; a running Extract command is aborted and the window
    // closes at its end.
    void CloseAsExit();

    // Where a refused archive's dump.txt goes: the current folder unless
    // another is given (tests keep it in a temporary folder).
    void SetDumpFolder(const QString &sFolder);

protected:
    void showEvent(QShowEvent *lpEvent) override;
    void closeEvent(QCloseEvent *lpEvent) override;
    void moveEvent(QMoveEvent *lpEvent) override;
    void resizeEvent(QResizeEvent *lpEvent) override;
    void changeEvent(QEvent *lpEvent) override;
    bool eventFilter(QObject *lpWatched, QEvent *lpEvent) override;
    void dragEnterEvent(QDragEnterEvent *lpEvent) override;
    void dragMoveEvent(QDragMoveEvent *lpEvent) override;
    void dropEvent(QDropEvent *lpEvent) override;

private:
    // Lines of the extraction engine, whose item names are the archive's
    // bytes, reach the console through this.
    class CConsoleLines final : public IConsole
    {
    public:
        explicit CConsoleLines(CLarkspur &Window) : Window(Window) {}
        void WriteLine(std::string_view sLine, ELineColor eColor) override;

    private:
        CLarkspur &Window;
    };

    // --- window/CLarkspur_Layout.cpp: controls, menus, status bar -----------
    void InitializeComponent();
    void InitializeMenus();
    void InitializeViewMenu();
    void InitializeContextMenus();
    // The tree, the list (its views and filter), the preview and the console
    // in their splitters.
    void InitializePanes();
    void InitializeTree();
    void InitializeList();
    void InitializeConsole();
    void InitializeStatusBar();
    void barMain_SizeChanged();
    void treGCFFile_MouseDown(Qt::MouseButton eButton, QPoint Position);
    void treGCFFile_MouseUp(Qt::MouseButton eButton, QPoint Position);
    void lstGCFFile_MouseUp(QAbstractItemView *lpView, Qt::MouseButton eButton, QPoint Position);
    // The two menus with their items shown or hidden for the node or row
    // they speak for, opened at a point of the screen.
    void ShowTreeMenu(GCFTreeNode *Node, QPoint GlobalPosition);
    void ShowListMenu(int iRow, QPoint GlobalPosition);
    void txtConsole_TextChanged();
    void txtConsole_SelectionChanged();
    void btnCopyConsoleText_Click();
    void btnSelectAllConsoleText_Click();
    void btnClearConsoleText_Click();
    void btnExit_Click();

    // --- window/CLarkspur_Keyboard.cpp: keys of the tree, list and console --
    void treGCFFile_KeyDown(EViewKey eKey);
    void lstGCFFile_KeyDown(QAbstractItemView *lpView, EViewKey eKey);
    void txtConsole_KeyDown(EViewKey eKey);
    void SelectParentFolder();

    // --- window/CLarkspur.cpp: life of the window, the open archive ---------
    void CLarkspur_Load();
    void CLarkspur_Closing();
    void ProcessCommandLine(const QStringList &Arguments);
    bool OpenGCFFile(const QString &sFileName);
    void CloseGCFFile();
    void btnOpen_Click();
    // The path as the file system takes it (the system's 8-bit encoding),
    // whole: no length limit cuts it short.
    static std::string StringToCharPointer(const QString &sString);
    void WriteLine(const QString &sString, ELineColor cColor);
    // The archive's file was found cut short while it was open (nothing more
    // can be read from it): a message box, then the archive is closed.
    void ReportArchiveCutShort();
    void ShowStatus(const SStatusTexts &Texts);

    // --- window/CLarkspur_Tree.cpp: the folder tree and the item list -------
    bool PopulateTree();
    void PopulateList(GCFTreeNode *Node);
    void treGCFFile_AfterSelect();
    void lstGCFFile_DoubleClick();
    void btnGCFListViewItemGoToDirectory_Click();
    void btnIcons_Click();
    void btnList_Click();
    void btnDetails_Click();
    void btnGCFTreeItemExpandAll_Click();
    void btnGCFTreeItemCollapseAll_Click();
    void lstGCFFile_Resize();
    GCFTreeNode *SelectedTreeNode() const;
    void SelectTreeNode(GCFTreeNode *Node);
    void ClearTree();
    void ClearTreeSelection();
    // The selected rows in the order in which they stand in the list.
    std::vector<int> SelectedListRows() const;
    void ClearListSelection();
    void UpdateListViewSizing();

    // --- window/CLarkspur_List.cpp: the list's order and filter, drop to open
    void InitializeFilter();
    void lstGCFFile_ColumnClick(int iColumn);
    // The Details view's header shows the list's order: an arrow on the
    // sorted column, none in the archive's order.
    void ShowListSort();
    void btnFilter_Click();
    // Ctrl+I (FilterKeyCommand); a click on the menu item shows or hides.
    void btnFilter_KeyDown();
    void ShowFilter();
    // View > Sort By: as a click on the key's column header does.
    void btnSortBy_Click(ESortKey eKey);
    void txtFilter_TextChanged();
    // Escape in the filter box: the filter is cleared and hidden.
    void txtFilter_KeyDown(int iKey);
    void HideFilter();
    // The order and the filter of the previous archive do not carry over.
    void ResetListArrangement();
    // The archive a drop would open, or "" when the window refuses the drop.
    QString DroppedArchive(const QDropEvent &Event) const;
    bool CanOpenDroppedArchive() const;
    void CLarkspur_DragEnter(QDragMoveEvent *lpEvent);
    void CLarkspur_DragDrop(QDropEvent *lpEvent);

    // --- window/CLarkspur_Preview.cpp: the preview pane ---------------------
    // Which view's selection the pane follows: the one that changed last.
    enum class EPreviewSource
    {
        Tree,  // a file node selected in the tree
        List,  // the list's current (or first) selected row
    };
    void InitializePreview();
    void btnPreview_Click();
    // The pane is filled once the events of a selection change are handled,
    // so that a selection made in many steps reads the file once.
    void QueuePreview(EPreviewSource eSource);
    void UpdatePreview();
    void ClearPreview();
    // The file the pane should show, if any.
    std::optional<uint32_t> PreviewedItem() const;

    // --- extract/CLarkspur_Extract.cpp: extraction and the abort dialog ------
    void btnExtractGCFTreeItem_Click();
    void btnExtractGCFListViewItem_Click();
    std::optional<QString> BrowseForFolder(const QString &sStartFolder);
    bool ExtractItem(const QString &sDirectory, uint32_t uiDirectoryIndex);
    // The one folder the window makes of its own is its private temporary
    // folder (TempFolder), whose name is chosen as it is made: CreateDirectory
    // makes it (again when it has gone), DeleteDirectory removes it with
    // everything in it.
    bool CreateDirectory();
    void DeleteDirectory();
    void StartExtracting();
    void StopExtracting();
    // The abort dialog of an Extract command that will reach uiTotal files.
    void ShowAbort(uint32_t uiTotal);
    void HideAbort();
    // The part of an Extract command between the picker and the cleared
    // selection: the abort dialog around the shared Extract command.
    void RunExtractCommand(const QString &sFolder, const std::vector<uint32_t> &Items);

    // --- extract/CLarkspur_OpenWith.cpp: open with and drag-out -------------
    void ShellExecute(const QByteArray &sFileName);
    void btnExecuteGCFTreeItem_Click();
    void btnExecuteGCFListViewItem_Click();
    void treGCFFile_ItemDrag(Qt::MouseButton eButton, QTreeWidgetItem *lpItem);
    void lstGCFFile_ItemDrag(QAbstractItemView *lpView, Qt::MouseButton eButton, const QModelIndex &Item);
    // Extracts the item into the temporary folder and gives the extracted
    // path, or nothing when the item could not be written.
    std::optional<QByteArray> ExtractToTemp(uint32_t uiDirectoryIndex);
    // What Shell Execute and drag-out share: the extracting flag set, the
    // item extracted into the temporary folder and, when it was written,
    // handed to Use (to open or to drag), the flag cleared.
    void UseExtractedItem(uint32_t uiDirectoryIndex, const std::function<void(const QByteArray &)> &Use);

    // --- dialogs/CLarkspur_Dialogs.cpp: search, properties, about ----------
    void btnFind_Click();
    void Search(GCFTreeNode *Root, const QString &sSearchWord);
    void FindItems(GCFTreeNode *Node, const QString &sSearchWord);
    void ShowProperties(uint32_t uiDirectoryIndex);
    void btnGCFTreeItemProperties_Click();
    void btnGCFListViewItemProperties_Click();
    void btnAbout_Click();

    // --- settings/CLarkspur_Settings.cpp: settings, recent files, placement --
    bool LoadConfigFile(const QString &sConfigFile);
    // Makes the file's folder when it is missing.
    SSaveResult WriteConfigFile(const QString &sConfigFile);
    void AddRecentFile(const QString &sFile);
    void UpdateRecentFiles();
    void btnRecentFile_Click(QAction *lpSender);
    void BackupForm();
    void RestoreForm();
    void CLarkspur_Move();
    void CLarkspur_Resize();

    // --- state ---------------------------------------------------------------
    CAbort *Abort = nullptr;  // the abort dialog while an Extract command runs
    CAbout *About = nullptr;  // made once, shown as often as asked
    // One reader per format, each made once and reopened for every archive
    // of its format: the tree nodes and the extraction engine keep a
    // reference to it. Archive is the one that is open (the GCF reader,
    // closed, while none is); the format is the file's own signature.
    std::unique_ptr<CGCF> GCFFile;
    std::unique_ptr<CVPK> VPKFile;
    IArchive *Archive = nullptr;
    CFormPlacement FormPlacement;  // bRestoring and the FormSave fields
    CRecentFiles RecentFiles;
    QString sSearchWord;
    QString sExtractDirectory;
    QStringList CommandLine;
    CConsoleLines ConsoleLines{*this};
    // bExtracting and uiCount live in the engine, uiTotal in the Extract
    // command, which sets the engine's run state. The engine reads the open
    // archive: it is made when one opens and goes when it closes, so it
    // never reads a closed reader or one of the other format.
    std::unique_ptr<CExtraction> Extraction;

    IDesktop &Desktop;
    const SProgramFiles Files;
    // The window's private temporary folder (its path is sTempDirectory).
    CTempFolder TempFolder{Files.TempParents, ConsoleLines};
    bool bLoaded = false;
    bool bClosed = false;
    // A close asked for while an Extract command runs waits for its end: the
    // command is still reading the archive that the close would unmap.
    bool bCloseAfterExtracting = false;
    // The tree node of each directory index, for search results, and the
    // nodes in the tree's order.
    std::vector<GCFTreeNode *> NodesByIndex;
    std::vector<GCFTreeNode *> TreeNodes;
    // Where search results lie, worked out at an archive's first search.
    std::unique_ptr<CFolderLocations> Locations;
    GCFListModel *ListModel = nullptr;
    EPreviewSource ePreviewSource = EPreviewSource::List;
    std::optional<uint32_t> uiPreviewShown;  // the item the pane shows

    // --- controls ------------------------------------------------------------
    QMenuBar *mnuMain = nullptr;
    QMenu *btnFileMenu = nullptr;
    QAction *btnOpen = nullptr;
    QMenu *btnRecentFiles = nullptr;
    QAction *btnFileLine1 = nullptr;
    QAction *btnExit = nullptr;
    QMenu *btnEdit = nullptr;
    QAction *btnFind = nullptr;
    QMenu *btnView = nullptr;
    QActionGroup *ViewGroup = nullptr;
    QAction *btnIcons = nullptr;
    QAction *btnList = nullptr;
    QAction *btnDetails = nullptr;
    QAction *btnViewLine1 = nullptr;
    QMenu *btnSortBy = nullptr;  // the list's order, checked as the header shows it
    QActionGroup *SortGroup = nullptr;
    QAction *btnSortByName = nullptr;
    QAction *btnSortBySize = nullptr;
    QAction *btnSortByType = nullptr;
    QAction *btnSortByArchiveOrder = nullptr;
    QAction *btnFilter = nullptr;  // checked while the filter box shows
    QAction *btnPreview = nullptr;  // checked while the preview pane shows
    QMenu *btnHelp = nullptr;
    QAction *btnAbout = nullptr;

    QMenu *mnuGCFTreeItem = nullptr;
    QAction *btnExtractGCFTreeItem = nullptr;
    QAction *btnExecuteGCFTreeItem = nullptr;
    QAction *btnGCFTreeItemSpace1 = nullptr;
    QAction *btnGCFTreeItemExpandAll = nullptr;
    QAction *btnGCFTreeItemCollapseAll = nullptr;
    QAction *btnGCFTreeItemSpace2 = nullptr;
    QAction *btnGCFTreeItemProperties = nullptr;

    QMenu *mnuGCFListViewItem = nullptr;
    QAction *btnExtractGCFListViewItem = nullptr;
    QAction *btnExecuteGCFListViewItem = nullptr;
    QAction *btnGCFListViewItemSpace1 = nullptr;
    QAction *btnGCFListViewItemGoToDirectory = nullptr;
    QAction *btnGCFListViewItemSpace2 = nullptr;
    QAction *btnGCFListViewItemProperties = nullptr;

    QMenu *mnuConsole = nullptr;
    QAction *btnCopyConsoleText = nullptr;
    QAction *btnSelectAllConsoleText = nullptr;
    QAction *btnConsoleSpace1 = nullptr;
    QAction *btnClearConsoleText = nullptr;

    QStatusBar *barMain = nullptr;
    QWidget *pnlPanels = nullptr;  // holds the four panels below, edge to edge
    QLabel *pnlFile = nullptr;
    QLabel *pnlFileSize = nullptr;
    QLabel *pnlGCFVersion = nullptr;
    QLabel *pnlUsedBlocks = nullptr;

    QSplitter *splConsole = nullptr;  // the main area over the console
    QWidget *pnlConsole = nullptr;
    GCFConsole *txtConsole = nullptr;
    QWidget *pnlMain = nullptr;
    QSplitter *splMain = nullptr;  // the tree beside the list
    GCFTreeWidget *treGCFFile = nullptr;
    QWidget *pnlList = nullptr;  // the filter box over the item list
    QLineEdit *txtFilter = nullptr;
    // The item list: one page for the Icons and List views, one for Details,
    // both over ListModel with one shared selection.
    QStackedWidget *lstGCFFile = nullptr;
    GCFListView *lstGCFFileIcons = nullptr;
    GCFDetailsView *lstGCFFileDetails = nullptr;
    GCFPreviewPane *pnlPreview = nullptr;  // beside the list, while btnPreview is checked
    QTimer *tmrPreview = nullptr;
};

}  // namespace Larkspur
