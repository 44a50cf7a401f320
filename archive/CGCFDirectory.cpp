// SPDX-License-Identifier: MIT
// The reader's directory queries, answered from the directory copied at open.
// Every index read from the file is checked against the table it indexes, and
// every walk over links is bounded by the directory's size or guarded by a
// visited bitmap, so a damaged archive gives an empty or partial answer
// instead of a read outside the file or a hang.

#include "CGCF.h"

#include "ArchiveNames.h"

#include <algorithm>
#include <cstring>

namespace Larkspur
{

namespace
{

// Where a stored name is cut. No file system takes a name this long: a longer
// run of bytes without a NUL is damage (names that run on through a large
// table); cutting it keeps a damaged directory of many such names from
// costing gigabytes wherever names are shown, searched or written into
// console lines.
constexpr size_t MAX_STORED_NAME_BYTES = 4096;

}  // namespace

uint32_t CGCF::GetItemCount() const
{
    return static_cast<uint32_t>(DirectoryEntries.size());
}

bool CGCF::IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const
{
    return uiDirectoryItemIndex < GetItemCount();
}

const GCFDirectoryEntry *CGCF::GetDirectoryEntry(uint32_t uiDirectoryItemIndex) const
{
    return IsValidDirectoryIndex(uiDirectoryItemIndex) ? &DirectoryEntries[uiDirectoryItemIndex] : nullptr;
}

bool CGCF::IsFolder(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    return lpEntry != nullptr && lpEntry->uiFlags == 0;
}

std::string_view CGCF::GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    if (lpEntry == nullptr)
        return {};
    // The root's stored name is never used.
    if (uiDirectoryItemIndex == 0)
        return ROOT_NAME;
    const size_t uiNameTableSize = NameTable.size();
    const uint32_t uiNameStart = lpEntry->uiNameStart;
    if (uiNameStart >= uiNameTableSize)
        return {};
    // A name whose NUL is missing ends with the table, and no name runs on
    // past MAX_STORED_NAME_BYTES.
    const char *szName = reinterpret_cast<const char *>(NameTable.data() + uiNameStart);
    const size_t uiLeft = std::min<size_t>(uiNameTableSize - uiNameStart, MAX_STORED_NAME_BYTES);
    const void *lpEnd = std::memchr(szName, '\0', uiLeft);
    const size_t uiLength = lpEnd != nullptr ? static_cast<size_t>(static_cast<const char *>(lpEnd) - szName) : uiLeft;
    return {szName, uiLength};
}

uint32_t CGCF::GetDirectoryItemParent(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    return lpEntry != nullptr ? lpEntry->uiParent : GCF_ROOT_PARENT;
}

bool CGCF::GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const
{
    // The root's uiParent (GCF_ROOT_PARENT) is never a directory index.
    return BuildItemPath(
        uiDirectoryItemIndex, GetItemCount(), [this](uint32_t uiIndex) { return GetDirectoryItemName(uiIndex); },
        [this](uint32_t uiIndex) { return DirectoryEntries[uiIndex].uiParent; }, cPath);
}

bool CGCF::GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const
{
    Children.clear();
    const GCFDirectoryEntry *lpFolder = GetDirectoryEntry(uiFolder);
    if (lpFolder == nullptr)
        return false;
    if (lpFolder->uiFlags != 0)
        return true;  // a file holds no items
    const uint32_t uiItemCount = GetItemCount();
    uint32_t uiChild = lpFolder->uiFirstChild;
    while (uiChild != 0)
    {
        if (uiChild >= uiItemCount)
            return false;
        // A folder holds at most every other item: a longer chain loops.
        if (Children.size() >= uiItemCount - 1)
            return false;
        Children.push_back(uiChild);
        uiChild = DirectoryEntries[uiChild].uiNextSibling;
    }
    return true;
}

bool CGCF::WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &Items) const
{
    Items.clear();
    if (!IsValidDirectoryIndex(uiRoot))
        return false;
    const uint32_t uiItemCount = GetItemCount();
    const size_t uiNameTableSize = NameTable.size();
    std::vector<uint8_t> Visited(uiItemCount, 0);

    // Each level of the walk keeps the next item to visit in its folder and
    // the slot of that folder; visiting an item first moves its level on to
    // the item's next sibling, then opens a level for its own items. That
    // gives the same order as visiting each folder's items recursively.
    struct SLevel
    {
        uint32_t uiNext;
        uint32_t uiParentSlot;
    };
    std::vector<SLevel> Levels;

    const auto Visit = [&](uint32_t uiIndex, uint32_t uiParentSlot)
    {
        if (uiIndex >= uiItemCount || Visited[uiIndex] != 0)
            return false;
        const GCFDirectoryEntry &Entry = DirectoryEntries[uiIndex];
        if (uiIndex != 0 && (Entry.uiNameStart >= uiNameTableSize ||
                             GetDirectoryItemName(uiIndex).size() >= MAX_STORED_NAME_BYTES))
            return false;
        Visited[uiIndex] = 1;
        const uint32_t uiSlot = static_cast<uint32_t>(Items.size());
        Items.push_back({uiIndex, uiParentSlot});
        if (Entry.uiFlags == 0 && Entry.uiFirstChild != 0)
            Levels.push_back({Entry.uiFirstChild, uiSlot});
        return true;
    };

    if (!Visit(uiRoot, SDirectoryWalkItem::NO_PARENT_SLOT))
        return false;
    while (!Levels.empty())
    {
        SLevel &Level = Levels.back();
        const uint32_t uiIndex = Level.uiNext;
        if (uiIndex == 0)
        {
            Levels.pop_back();
            continue;
        }
        if (uiIndex >= uiItemCount)
            return false;
        Level.uiNext = DirectoryEntries[uiIndex].uiNextSibling;
        // Level may move when Visit opens a new level; it is not used after.
        if (!Visit(uiIndex, Level.uiParentSlot))
            return false;
    }
    return true;
}

// Calls OnItem once for every item below the folder uiFolder (not for the
// folder itself), in no particular order. A link out of range ends the chain
// it is on; an item reached again is not visited again, so a cycle ends.
template <class ItemFn>
static void ForEachItemBelow(const CGCF &GCF, uint32_t uiFolder, ItemFn &&OnItem)
{
    const uint32_t uiItemCount = GCF.GetItemCount();
    const GCFDirectoryEntry *lpEntries = GCF.GetDirectoryEntry(0);
    std::vector<uint8_t> Visited(uiItemCount, 0);
    Visited[uiFolder] = 1;
    std::vector<uint32_t> Pending;
    Pending.push_back(lpEntries[uiFolder].uiFirstChild);
    while (!Pending.empty())
    {
        const uint32_t uiIndex = Pending.back();
        Pending.pop_back();
        if (uiIndex == 0 || uiIndex >= uiItemCount || Visited[uiIndex] != 0)
            continue;
        Visited[uiIndex] = 1;
        const GCFDirectoryEntry &Entry = lpEntries[uiIndex];
        OnItem(Entry);
        Pending.push_back(Entry.uiNextSibling);
        if (Entry.uiFlags == 0)
            Pending.push_back(Entry.uiFirstChild);
    }
}

uint32_t CGCF::GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    if (lpEntry == nullptr)
        return 0;
    if (lpEntry->uiFlags != 0)
        return 1;
    uint32_t uiCount = 0;
    ForEachItemBelow(*this, uiDirectoryItemIndex,
                     [&](const GCFDirectoryEntry &Item)
                     {
                         if (Item.uiFlags != 0)
                             uiCount++;
                     });
    return uiCount;
}

uint32_t CGCF::GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const
{
    if (!IsFolder(uiDirectoryItemIndex))
        return 0;
    uint32_t uiCount = 0;
    ForEachItemBelow(*this, uiDirectoryItemIndex,
                     [&](const GCFDirectoryEntry &Item)
                     {
                         if (Item.uiFlags == 0)
                             uiCount++;
                     });
    return uiCount;
}

uint64_t CGCF::GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    if (lpEntry == nullptr)
        return 0;
    if (lpEntry->uiFlags != 0)
        return lpEntry->uiItemSize;
    // A folder's own uiItemSize counts its items, not bytes.
    uint32_t uiSize = 0;
    ForEachItemBelow(*this, uiDirectoryItemIndex,
                     [&](const GCFDirectoryEntry &Item)
                     {
                         if (Item.uiFlags != 0)
                             uiSize += Item.uiItemSize;
                     });
    return uiSize;
}

uint64_t CGCF::GetDirectoryEntrySize(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    return lpEntry != nullptr ? lpEntry->uiItemSize : 0;
}

// A file takes whole blocks on disk, and one more whole block when its size
// is an exact multiple of the block size. Sums wrap at 32 bits like every
// size in the archive.
static uint32_t SizeOnDisk(uint32_t uiSize, uint32_t uiBlockSize)
{
    if (uiSize == 0 || uiBlockSize == 0)
        return 0;
    return uiBlockSize - (uiSize % uiBlockSize) + uiSize;
}

uint64_t CGCF::GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const
{
    const GCFDirectoryEntry *lpEntry = GetDirectoryEntry(uiDirectoryItemIndex);
    if (lpEntry == nullptr)
        return 0;
    const uint32_t uiBlockSize = Headers.Header.uiBlockSize;
    if (lpEntry->uiFlags != 0)
        return SizeOnDisk(lpEntry->uiItemSize, uiBlockSize);
    uint32_t uiSize = 0;
    ForEachItemBelow(*this, uiDirectoryItemIndex,
                     [&](const GCFDirectoryEntry &Item)
                     {
                         if (Item.uiFlags != 0)
                             uiSize += SizeOnDisk(Item.uiItemSize, uiBlockSize);
                     });
    return uiSize;
}

SFileSpan CGCF::GetDataBlock(uint32_t uiDataBlockIndex) const
{
    const uint64_t uiDataBlockSize = Headers.DataBlockHeader.uiDataBlockSize;
    const uint64_t uiOffset = uint64_t{Headers.DataBlockHeader.uiDataStart} + uiDataBlockIndex * uiDataBlockSize;
    if (!Opened() || !Source.Contains(uiOffset, uiDataBlockSize))
        return {};
    return {&Source, uiOffset, uiDataBlockSize};
}

uint32_t CGCF::GetFirstEntry(uint32_t uiDirectoryItemIndex) const
{
    if (!Opened())
        return 0;
    if (!IsValidDirectoryIndex(uiDirectoryItemIndex))
        return Headers.BlockEntryHeader.uiEntryCount;
    return DirectoryMap[uiDirectoryItemIndex].uiFirstEntry;
}

bool CGCF::ReadBlockEntry(uint32_t uiBlockEntryIndex, GCFBlockEntry &Entry) const
{
    if (!Opened() || uiBlockEntryIndex >= Headers.BlockEntryHeader.uiEntryCount)
        return false;
    return Source.ReadAt(OffsetOf(EGCFStructure::BlockEntries) + uint64_t{uiBlockEntryIndex} * sizeof(GCFBlockEntry),
                         Entry);
}

bool CGCF::ReadNextBlock(uint32_t uiDataBlockIndex, uint32_t &uiNextBlock) const
{
    GCFFragmentationMap Link;
    if (!Opened() || uiDataBlockIndex >= Headers.FragmentationMapHeader.uiLinkCount ||
        !Source.ReadAt(OffsetOf(EGCFStructure::FragmentationMap) +
                           uint64_t{uiDataBlockIndex} * sizeof(GCFFragmentationMap),
                       Link))
        return false;
    uiNextBlock = Link.uiNextBlock;
    return true;
}

}  // namespace Larkspur
