// SPDX-License-Identifier: MIT
// The keys of the folder tree, the item list and the console: the context
// menus from the keyboard, Enter in the list, and up to the parent folder.

#include "window/CLarkspur.h"

#include "window/ConsoleView.h"
#include "window/GCFTreeNode.h"
#include "window/ItemViews.h"

#include <QMenu>

namespace Larkspur
{

void CLarkspur::treGCFFile_KeyDown(EViewKey eKey)
{
    if (eKey == EViewKey::ParentFolder)
    {
        SelectParentFolder();
        return;
    }
    if (eKey != EViewKey::ContextMenu)
        return;
    // The selected node takes the place of the node under the pointer; with
    // none selected no menu opens, as over empty space.
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    const QPoint Position = KeyboardMenuPoint(treGCFFile->visualItemRect(Node), treGCFFile->viewport()->rect());
    ShowTreeMenu(Node, treGCFFile->viewport()->mapToGlobal(Position));
}

void CLarkspur::lstGCFFile_KeyDown(QAbstractItemView *lpView, EViewKey eKey)
{
    switch (eKey)
    {
    case EViewKey::Open:
        lstGCFFile_DoubleClick();
        return;
    case EViewKey::ParentFolder:
        SelectParentFolder();
        return;
    case EViewKey::ClearFilter:
        if (btnFilter->isChecked())
            HideFilter();
        return;
    case EViewKey::ContextMenu:
        break;
    case EViewKey::None:
        return;
    }
    const int iRow = KeyboardMenuRow(SelectedListRows(), lpView->currentIndex().row());
    if (iRow < 0)
        return;
    const QRect Row = lpView->visualRect(ListModel->index(iRow, 0));
    ShowListMenu(iRow, lpView->viewport()->mapToGlobal(KeyboardMenuPoint(Row, lpView->viewport()->rect())));
}

void CLarkspur::txtConsole_KeyDown(EViewKey eKey)
{
    if (eKey != EViewKey::ContextMenu)
        return;
    const QPoint Position = KeyboardMenuPoint(txtConsole->cursorRect(), txtConsole->viewport()->rect());
    mnuConsole->popup(txtConsole->viewport()->mapToGlobal(Position));
}

void CLarkspur::SelectParentFolder()
{
    GCFTreeNode *Node = SelectedTreeNode();
    if (!Node)
        return;
    if (GCFTreeNode *Parent = Node->GetParentNode())
        SelectTreeNode(Parent);
}

}  // namespace Larkspur
