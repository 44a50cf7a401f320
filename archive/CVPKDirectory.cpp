// SPDX-License-Identifier: MIT
// The VPK reader's directory queries, answered from the tree built at open.
// The tree is sound by construction (every link made by the reader, parents
// before their items), so a walk needs no guard beyond the index check; the
// totals of each folder were added up once at open.

#include "CVPK.h"

#include "ArchiveNames.h"

#include <algorithm>

namespace Larkspur
{

uint32_t CVPK::GetItemCount() const
{
    return static_cast<uint32_t>(Items.size());
}

bool CVPK::IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const
{
    return uiDirectoryItemIndex < GetItemCount();
}

bool CVPK::IsFolder(uint32_t uiDirectoryItemIndex) const
{
    return IsValidDirectoryIndex(uiDirectoryItemIndex) && Items[uiDirectoryItemIndex].bFolder;
}

std::string_view CVPK::GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const
{
    if (!IsValidDirectoryIndex(uiDirectoryItemIndex))
        return {};
    if (uiDirectoryItemIndex == 0)
        return ROOT_NAME;
    const SItem &Item = Items[uiDirectoryItemIndex];
    return std::string_view(Names.data() + Item.uiNameOffset, Item.uiNameLength);
}

uint32_t CVPK::GetDirectoryItemParent(uint32_t uiDirectoryItemIndex) const
{
    return IsValidDirectoryIndex(uiDirectoryItemIndex) ? Items[uiDirectoryItemIndex].uiParent : NO_ITEM;
}

bool CVPK::GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const
{
    // A folder can lie as deep as the tree has bytes, so the path may be cut.
    return BuildItemPath(
        uiDirectoryItemIndex, GetItemCount(), [this](uint32_t uiIndex) { return GetDirectoryItemName(uiIndex); },
        [this](uint32_t uiIndex) { return Items[uiIndex].uiParent; }, cPath);
}

uint32_t CVPK::GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const
{
    if (!IsValidDirectoryIndex(uiDirectoryItemIndex))
        return 0;
    const SItem &Item = Items[uiDirectoryItemIndex];
    return Item.bFolder ? Folders[Item.uiRecord].uiFiles : 1;
}

uint32_t CVPK::GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const
{
    return IsFolder(uiDirectoryItemIndex) ? Folders[Items[uiDirectoryItemIndex].uiRecord].uiFolders : 0;
}

uint64_t CVPK::GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const
{
    if (!IsValidDirectoryIndex(uiDirectoryItemIndex))
        return 0;
    const SItem &Item = Items[uiDirectoryItemIndex];
    if (Item.bFolder)
        return Folders[Item.uiRecord].uiSize;
    const SVPKFileEntry &File = Files[Item.uiRecord];
    return uint64_t{File.uiPreloadBytes} + File.uiEntryLength;
}

uint64_t CVPK::GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const
{
    // A VPK stores each file's bytes as they are, in no blocks: the preload
    // bytes in the tree and the rest in its data file. Files that share
    // their bytes count them each.
    return GetDirectoryItemSize(uiDirectoryItemIndex);
}

uint64_t CVPK::GetDirectoryEntrySize(uint32_t uiDirectoryItemIndex) const
{
    if (IsFolder(uiDirectoryItemIndex))
        return Folders[Items[uiDirectoryItemIndex].uiRecord].uiItems;
    return GetDirectoryItemSize(uiDirectoryItemIndex);
}

bool CVPK::GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const
{
    Children.clear();
    if (!IsValidDirectoryIndex(uiFolder))
        return false;
    if (!Items[uiFolder].bFolder)
        return true;  // a file holds no items
    Children.reserve(Folders[Items[uiFolder].uiRecord].uiItems);
    for (uint32_t uiChild = Items[uiFolder].uiFirstChild; uiChild != 0; uiChild = Items[uiChild].uiNextSibling)
        Children.push_back(uiChild);
    return true;
}

bool CVPK::WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &WalkItems) const
{
    WalkItems.clear();
    if (!IsValidDirectoryIndex(uiRoot))
        return false;
    // As CGCF's walk: each level keeps the next item of its folder and the
    // slot of that folder, so each folder's items follow it in order.
    struct SLevel
    {
        uint32_t uiNext;
        uint32_t uiParentSlot;
    };
    std::vector<SLevel> Levels;
    const auto Visit = [&](uint32_t uiIndex, uint32_t uiParentSlot)
    {
        const auto uiSlot = static_cast<uint32_t>(WalkItems.size());
        WalkItems.push_back({uiIndex, uiParentSlot});
        if (Items[uiIndex].bFolder && Items[uiIndex].uiFirstChild != 0)
            Levels.push_back({Items[uiIndex].uiFirstChild, uiSlot});
    };
    Visit(uiRoot, SDirectoryWalkItem::NO_PARENT_SLOT);
    while (!Levels.empty())
    {
        SLevel &Level = Levels.back();
        const uint32_t uiIndex = Level.uiNext;
        if (uiIndex == 0)
        {
            Levels.pop_back();
            continue;
        }
        Level.uiNext = Items[uiIndex].uiNextSibling;
        // Level may move when Visit opens a new level; it is not used after.
        Visit(uiIndex, Level.uiParentSlot);
    }
    return true;
}

const SVPKFileEntry *CVPK::GetFileEntry(uint32_t uiDirectoryItemIndex) const
{
    if (!IsValidDirectoryIndex(uiDirectoryItemIndex) || Items[uiDirectoryItemIndex].bFolder)
        return nullptr;
    return &Files[Items[uiDirectoryItemIndex].uiRecord];
}

}  // namespace Larkspur
