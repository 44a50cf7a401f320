// SPDX-License-Identifier: MIT
// The window's Find, Properties and About commands.

#include "window/CLarkspur.h"

#include "dialogs/CAbout.h"
#include "dialogs/CFind.h"
#include "dialogs/CProperties.h"
#include "dialogs/ItemChecksums.h"
#include "dialogs/ItemProperties.h"
#include "dialogs/Search.h"
#include "window/FolderLocations.h"
#include "window/GCFTreeNode.h"
#include "window/IDesktop.h"
#include "window/ItemViews.h"
#include "window/Utils.h"

#include <QStackedWidget>

namespace Larkspur
{

void CLarkspur::btnFind_Click()
{
    CFind Find(sSearchWord, this);
    if (Desktop.ExecDialog(Find) == QDialog::Accepted)
    {
        ClearTreeSelection();
        if (treGCFFile->topLevelItemCount() > 0)
            Search(static_cast<GCFTreeNode *>(treGCFFile->topLevelItem(0)), Find.SearchWord());
        const QByteArray sWord = Find.SearchWord().toUtf8();
        // Every match counts, those the filter box hides included.
        WriteLine(Utils::DecodeName(SearchResultLine(std::string_view(sWord.constData(), size_t(sWord.size())),
                                                     uint64_t(ListModel->AllRowCount()))),
                  ELineColor::Green);
    }
    sSearchWord = Find.SearchWord();
}

void CLarkspur::Search(GCFTreeNode *Root, const QString &sSearchWord)
{
    lstGCFFile->setUpdatesEnabled(false);
    ListModel->Clear();
    FindItems(Root, sSearchWord.toLower());
    UpdateListViewSizing();
    lstGCFFile->setUpdatesEnabled(true);
}

void CLarkspur::FindItems(GCFTreeNode *Node, const QString &sSearchWord)
{
    // The tree holds every item of the directory in the walk's pre-order, so
    // the walk over the reader finds the nodes in the tree's order.
    if (Node->GetDirectoryIndex() != 0)
        return;
    if (!Locations)
    {
        std::vector<SDirectoryWalkItem> Items;
        Archive->WalkDirectory(0, Items);
        Locations = std::make_unique<CFolderLocations>(*Archive, std::move(Items));
    }
    std::vector<GCFListViewItem> Rows;
    for (const uint32_t uiIndex : FindMatchingItems(*Archive, sSearchWord))
    {
        if (uiIndex < NodesByIndex.size() && NodesByIndex[uiIndex])
            Rows.push_back(MakeListViewItem(*Archive, NodesByIndex[uiIndex]));
    }
    ListModel->SetRows(std::move(Rows), Locations.get());
}

void CLarkspur::ShowProperties(uint32_t uiDirectoryIndex)
{
    // A file's checksums are offered, and read only when asked for.
    std::unique_ptr<CItemChecksums> Checksums;
    if (!Archive->IsFolder(uiDirectoryIndex))
        Checksums = std::make_unique<CItemChecksums>(*Archive, uiDirectoryIndex);
    const CItemChecksums *lpChecksums = Checksums.get();  // owned by the dialog from here
    CProperties Properties(GatherProperties(*Archive, uiDirectoryIndex), std::move(Checksums), this);
    Desktop.ExecDialog(Properties);
    if (lpChecksums && lpChecksums->GetState() == EChecksumState::CutShort)
        ReportArchiveCutShort();
}

void CLarkspur::btnGCFTreeItemProperties_Click()
{
    if (GCFTreeNode *Node = SelectedTreeNode())
        ShowProperties(Node->GetDirectoryIndex());
}

void CLarkspur::btnGCFListViewItemProperties_Click()
{
    const std::vector<int> Rows = SelectedListRows();
    if (!Rows.empty())
        ShowProperties(ListModel->Row(Rows.front()).GetDirectoryIndex());
}

void CLarkspur::btnAbout_Click()
{
    Desktop.ExecDialog(*About);
}

}  // namespace Larkspur
