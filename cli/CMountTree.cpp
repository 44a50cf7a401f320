// SPDX-License-Identifier: MIT
#include "CMountTree.h"

#include "archive/CItemData.h"
#include "extract/CExtraction.h"

#include <algorithm>

namespace Larkspur
{

namespace
{

// An item's own verdict, before its folder is looked at: 0 when its name
// may stand in the mount, else 1 + the reason it is left out.
constexpr uint8_t NAME_FINE = 0;

uint8_t Verdict(EMountLeftOut eReason)
{
    return static_cast<uint8_t>(1 + static_cast<int>(eReason));
}

EMountLeftOut ReasonOf(uint8_t uiVerdict)
{
    return static_cast<EMountLeftOut>(uiVerdict - 1);
}

uint8_t NameVerdict(std::string_view sName)
{
    if (!CExtraction::IsSafeItemName(sName))
        return Verdict(EMountLeftOut::UnsafeName);
    if (sName.size() > MAX_FILE_NAME_BYTES)
        return Verdict(EMountLeftOut::NameTooLong);
    return NAME_FINE;
}

}  // namespace

const char *MountLeftOutReason(EMountLeftOut eReason)
{
    switch (eReason)
    {
    case EMountLeftOut::UnsafeName:
        return "unsafe name";
    case EMountLeftOut::NameTooLong:
        return "name longer than 255 bytes";
    case EMountLeftOut::SecondOfItsName:
        return "a second item of this name in the folder";
    case EMountLeftOut::NoData:
        return "no physical data";
    case EMountLeftOut::DataOfAnother:
        return DataWalkReason(EDataWalk::WrongOwner);
    case EMountLeftOut::SharedData:
        return DataWalkReason(EDataWalk::SharedData);
    case EMountLeftOut::CutShort:
        return DataWalkReason(EDataWalk::CutShort);
    case EMountLeftOut::Overlap:
        return DataWalkReason(EDataWalk::Overlap);
    }
    return "";
}

bool CMountTree::Build(const IArchive &Archive)
{
    *this = CMountTree();
    std::vector<SDirectoryWalkItem> Items;
    const bool bComplete = Archive.WalkDirectory(0, Items);
    if (Items.empty())
        return bComplete;  // not even a root: the mounted folder stays empty
    std::vector<uint8_t> Verdicts = ReadItems(Archive, Items);
    PlaceChildren(Items, Verdicts);
    MarkSecondNames(Verdicts);
    MarkShown(Archive, Items, Verdicts);
    return bComplete;
}

std::vector<uint8_t> CMountTree::ReadItems(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items)
{
    const uint32_t uiItemCount = Archive.GetItemCount();
    Names.assign(uiItemCount, {});
    Shown.assign(uiItemCount, 0);
    FolderFlags.assign(uiItemCount, 0);
    Parents.assign(uiItemCount, 0);
    Folders.assign(uiItemCount, {});
    std::vector<uint8_t> Verdicts(uiItemCount, NAME_FINE);

    // Each item's own name, and how many items with a fine name each folder
    // holds. The walk reaches every item once, so this is a tree.
    for (const SDirectoryWalkItem &Item : Items)
    {
        const uint32_t uiIndex = Item.uiDirectoryIndex;
        Names[uiIndex] = Archive.GetDirectoryItemName(uiIndex);
        FolderFlags[uiIndex] = Archive.IsFolder(uiIndex) ? 1 : 0;
        if (Item.uiParentSlot == SDirectoryWalkItem::NO_PARENT_SLOT)
            continue;  // the root, always "root"
        Parents[uiIndex] = Items[Item.uiParentSlot].uiDirectoryIndex;
        Verdicts[uiIndex] = NameVerdict(Names[uiIndex]);
        if (Verdicts[uiIndex] == NAME_FINE)
            Folders[Parents[uiIndex]].uiCount++;
    }
    return Verdicts;
}

void CMountTree::PlaceChildren(const std::vector<SDirectoryWalkItem> &Items, const std::vector<uint8_t> &Verdicts)
{
    // Every folder's items in one array, each folder's in a stretch of its
    // own; the walk is in pre-order, so each folder's stretch fills in the
    // archive's order.
    uint32_t uiNext = 0;
    for (SFolder &Entry : Folders)
    {
        Entry.uiFirst = uiNext;
        uiNext += Entry.uiCount;
        Entry.uiCount = 0;
    }
    Children.resize(uiNext);
    for (const SDirectoryWalkItem &Item : Items)
    {
        if (Item.uiParentSlot == SDirectoryWalkItem::NO_PARENT_SLOT || Verdicts[Item.uiDirectoryIndex] != NAME_FINE)
            continue;
        SFolder &Parent = Folders[Parents[Item.uiDirectoryIndex]];
        Children[Parent.uiFirst + Parent.uiCount++] = Item.uiDirectoryIndex;
    }
}

void CMountTree::MarkSecondNames(std::vector<uint8_t> &Verdicts)
{
    // Sorted by name for look-ups. The sort is stable, so among items of one
    // name the first in the archive's order comes first and stays; the
    // others are taken out of both orders.
    ByName = Children;
    std::vector<uint8_t> Affected(Folders.size(), 0);  // folders that lost items
    for (uint32_t uiFolder = 0; uiFolder < Folders.size(); ++uiFolder)
    {
        SFolder &Entry = Folders[uiFolder];
        if (Entry.uiCount < 2)
            continue;
        const auto First = ByName.begin() + Entry.uiFirst, Last = First + Entry.uiCount;
        std::stable_sort(First, Last, [this](uint32_t uiA, uint32_t uiB) { return Names[uiA] < Names[uiB]; });
        for (auto It = First + 1; It != Last; ++It)
        {
            if (Names[*It] == Names[*(It - 1)])
            {
                Verdicts[*It] = Verdict(EMountLeftOut::SecondOfItsName);
                Affected[uiFolder] = 1;
            }
        }
    }
    DropLeftOut(Verdicts, Affected);
}

void CMountTree::DropLeftOut(const std::vector<uint8_t> &Verdicts, const std::vector<uint8_t> &Affected)
{
    const auto Left = [&Verdicts](uint32_t uiIndex) { return Verdicts[uiIndex] != NAME_FINE; };
    for (uint32_t uiFolder = 0; uiFolder < Folders.size(); ++uiFolder)
    {
        if (Affected[uiFolder] == 0)
            continue;
        SFolder &Entry = Folders[uiFolder];
        const auto First = ByName.begin() + Entry.uiFirst, Last = First + Entry.uiCount;
        const auto Kept = std::remove_if(First, Last, Left);
        const auto InOrder = Children.begin() + Entry.uiFirst;
        std::remove_if(InOrder, InOrder + Entry.uiCount, Left);  // the same items go, so as many stay
        Entry.uiCount = static_cast<uint32_t>(Kept - First);
    }
}

void CMountTree::MarkShown(const IArchive &Archive, const std::vector<SDirectoryWalkItem> &Items,
                           std::vector<uint8_t> &Verdicts)
{
    // What shows: the root, and every item with a fine name in a folder that
    // shows, unless it is a file the extraction would not write. Only the
    // first item left out on each path is reported. The files' data are
    // taken in the folder tree's order, as the extraction takes them, with
    // one command's claims.
    const std::unique_ptr<IDataClaims> Claims = Archive.MakeClaims();
    CItemData Data;
    std::vector<uint8_t> Affected(Verdicts.size(), 0);
    Shown[0] = 1;
    for (const SDirectoryWalkItem &Item : Items)
    {
        if (Item.uiParentSlot == SDirectoryWalkItem::NO_PARENT_SLOT)
            continue;
        const uint32_t uiIndex = Item.uiDirectoryIndex, uiParent = Items[Item.uiParentSlot].uiDirectoryIndex;
        if (Shown[uiParent] == 0)
            continue;
        if (Verdicts[uiIndex] == NAME_FINE && FolderFlags[uiIndex] == 0)
        {
            switch (Data.DescribeItem(Archive, uiIndex, Claims.get()))
            {
            case EDataWalk::NoData: Verdicts[uiIndex] = Verdict(EMountLeftOut::NoData); break;
            case EDataWalk::WrongOwner: Verdicts[uiIndex] = Verdict(EMountLeftOut::DataOfAnother); break;
            case EDataWalk::SharedData: Verdicts[uiIndex] = Verdict(EMountLeftOut::SharedData); break;
            case EDataWalk::CutShort: Verdicts[uiIndex] = Verdict(EMountLeftOut::CutShort); break;
            case EDataWalk::Overlap: Verdicts[uiIndex] = Verdict(EMountLeftOut::Overlap); break;
            default: break;
            }
            if (Verdicts[uiIndex] != NAME_FINE)
                Affected[uiParent] = 1;
        }
        if (Verdicts[uiIndex] != NAME_FINE)
        {
            LeftOut.push_back({uiIndex, ReasonOf(Verdicts[uiIndex])});
            continue;
        }
        Shown[uiIndex] = 1;
        if (FolderFlags[uiIndex] != 0)
            Folders[uiParent].uiSubfolders++;
    }
    DropLeftOut(Verdicts, Affected);
}

bool CMountTree::IsShown(uint64_t uiNode) const
{
    if (uiNode == TOP_NODE)
        return true;
    return uiNode >= NodeOf(0) && uiNode - NodeOf(0) < Shown.size() && Shown[DirectoryIndexOf(uiNode)] != 0;
}

bool CMountTree::IsFolder(uint64_t uiNode) const
{
    return uiNode == TOP_NODE || (IsShown(uiNode) && FolderFlags[DirectoryIndexOf(uiNode)] != 0);
}

std::span<const uint32_t> CMountTree::GetChildren(uint64_t uiFolderNode) const
{
    if (uiFolderNode == TOP_NODE)
        return Shown.empty() ? std::span<const uint32_t>() : std::span<const uint32_t>(TOP_CHILDREN);
    if (!IsFolder(uiFolderNode))
        return {};
    const SFolder &Entry = Folders[DirectoryIndexOf(uiFolderNode)];
    return {Children.data() + Entry.uiFirst, Entry.uiCount};
}

uint32_t CMountTree::GetSubfolderCount(uint64_t uiFolderNode) const
{
    if (uiFolderNode == TOP_NODE)
        return IsFolder(NodeOf(0)) ? 1 : 0;
    return IsFolder(uiFolderNode) ? Folders[DirectoryIndexOf(uiFolderNode)].uiSubfolders : 0;
}

uint64_t CMountTree::Lookup(uint64_t uiFolderNode, std::string_view sName) const
{
    if (uiFolderNode == TOP_NODE)
        return !Shown.empty() && sName == ROOT_NAME ? NodeOf(0) : NO_NODE;
    if (!IsFolder(uiFolderNode))
        return NO_NODE;
    const SFolder &Entry = Folders[DirectoryIndexOf(uiFolderNode)];
    const auto First = ByName.begin() + Entry.uiFirst, Last = First + Entry.uiCount;
    const auto Found =
        std::lower_bound(First, Last, sName, [this](uint32_t uiIndex, std::string_view sWanted) { return Names[uiIndex] < sWanted; });
    return Found != Last && Names[*Found] == sName ? NodeOf(*Found) : NO_NODE;
}

uint64_t CMountTree::GetParent(uint64_t uiNode) const
{
    if (uiNode == TOP_NODE || uiNode == NodeOf(0) || !IsShown(uiNode))
        return TOP_NODE;
    return NodeOf(Parents[DirectoryIndexOf(uiNode)]);
}

std::string_view CMountTree::GetName(uint64_t uiNode) const
{
    if (uiNode == TOP_NODE || !IsShown(uiNode))
        return {};
    return Names[DirectoryIndexOf(uiNode)];
}

}  // namespace Larkspur
