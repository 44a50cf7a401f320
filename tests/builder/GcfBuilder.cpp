// SPDX-License-Identifier: MIT
// Lays out and writes GCF archives. Everything up to the first data block is
// assembled in memory (the "head"); the data area is described as a list of
// chunks (which bytes of which file go into which data block), so that it can
// be written either into the same vector or straight to a file.

#include "GcfBuilder.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <random>
#include <stdexcept>
#include <utility>

namespace GcfBuilder
{

namespace
{

constexpr uint32_t NO_PARENT = 0xFFFFFFFFu;
constexpr uint32_t DEFAULT_FILE_FLAGS = 0x00004000u;
constexpr uint32_t UNUSED_BLOCK_LINK = 0xFFFFFFFFu;  // what a spare block's link holds
constexpr uint32_t GCF_HEADER_SIZE = 44;
constexpr uint32_t BLOCK_ENTRY_HEADER_SIZE = 32;
constexpr uint32_t BLOCK_ENTRY_SIZE = 28;
constexpr uint32_t FRAGMENTATION_MAP_HEADER_SIZE = 16;
constexpr uint32_t BLOCK_ENTRY_MAP_HEADER_SIZE = 20;
constexpr uint32_t BLOCK_ENTRY_MAP_RECORD_SIZE = 8;
constexpr uint32_t DIRECTORY_HEADER_SIZE = 56;
constexpr uint32_t DIRECTORY_ENTRY_SIZE = 28;
constexpr uint32_t DIRECTORY_MAP_HEADER_SIZE = 8;
constexpr uint32_t CHECKSUM_HEADER_SIZE = 8;
constexpr uint32_t CHECKSUM_MAP_HEADER_SIZE = 16;
constexpr uint32_t CHECKSUM_MAP_RECORD_SIZE = 8;
constexpr uint32_t DATA_BLOCK_HEADER_SIZE = 24;
constexpr size_t MAX_LAYOUT_PATH = 64 << 10;
// Version 3 keeps its Data Block Header 4 bytes before where version 5 and 6 keep it.
constexpr uint32_t VERSION3_HEADER_SHIFT = 4;

// One item of the tree, flattened in directory index order.
struct SFlatItem
{
    const SItem *pItem = nullptr;
    uint32_t uiParent = NO_PARENT;
    uint32_t uiNextSibling = 0;
    uint32_t uiFirstChild = 0;
    uint32_t uiNameStart = 0;
};

// The bytes of one copy step: a data block receives uiLength bytes of *pData
// from uiOffset on.
struct SChunk
{
    uint32_t uiBlock = 0;
    const std::string *pData = nullptr;
    uint64_t uiOffset = 0;
    uint32_t uiLength = 0;
};

struct SBlockEntry
{
    uint32_t uiDataLength = 0;
    uint32_t uiFirstBlock = 0;
    uint32_t uiNextEntry = 0;
    uint32_t uiOwner = 0;
};

struct SPlan
{
    SLayout Layout;
    std::vector<uint8_t> Head;  // every byte before uiDataStart
    std::vector<SChunk> Chunks; // sorted by data block
    uint64_t uiDataEnd = 0;     // where the data area (and any step reaching past it) ends
    uint8_t uiFiller = 0;
};

void PutU32(std::vector<uint8_t> &Bytes, uint64_t uiOffset, uint32_t uiValue)
{
    Bytes[uiOffset] = static_cast<uint8_t>(uiValue);
    Bytes[uiOffset + 1] = static_cast<uint8_t>(uiValue >> 8);
    Bytes[uiOffset + 2] = static_cast<uint8_t>(uiValue >> 16);
    Bytes[uiOffset + 3] = static_cast<uint8_t>(uiValue >> 24);
}

uint32_t To32(uint64_t uiValue)
{
    if (uiValue > 0xFFFFFFFFu)
        throw std::length_error("GcfBuilder: a structure lies beyond 4 GiB");
    return static_cast<uint32_t>(uiValue);
}

// Directory indexes in pre-order, with the links the directory entries hold.
std::vector<SFlatItem> Flatten(const SItem &Root, std::vector<std::string> &Paths)
{
    std::vector<SFlatItem> Items;
    std::vector<std::pair<const SItem *, uint32_t>> Pending{{&Root, NO_PARENT}};
    while (!Pending.empty())
    {
        const auto [pItem, uiParent] = Pending.back();
        Pending.pop_back();
        const uint32_t uiIndex = static_cast<uint32_t>(Items.size());
        SFlatItem Flat;
        Flat.pItem = pItem;
        Flat.uiParent = uiParent;
        Items.push_back(Flat);
        // Deep trees would hold paths of gigabytes in all: a path past
        // MAX_LAYOUT_PATH is left empty, and so are those below it.
        std::string sPath;
        if (uiParent == NO_PARENT)
            sPath = "\\root";
        else if (!Paths[uiParent].empty() && Paths[uiParent].size() + 1 + pItem->sName.size() <= MAX_LAYOUT_PATH)
            sPath = Paths[uiParent] + "\\" + pItem->sName;
        Paths.push_back(std::move(sPath));
        if (pItem->bFolder)
            for (auto it = pItem->Children.rbegin(); it != pItem->Children.rend(); ++it)
                Pending.emplace_back(&*it, uiIndex);
    }

    // A folder's items receive their indexes in sibling order, so linking
    // each item to the one before it in its folder gives the sibling chain.
    std::vector<uint32_t> LastChild(Items.size(), 0);
    for (uint32_t uiIndex = 1; uiIndex < Items.size(); ++uiIndex)
    {
        const uint32_t uiParent = Items[uiIndex].uiParent;
        if (LastChild[uiParent] == 0)
            Items[uiParent].uiFirstChild = uiIndex;
        else
            Items[LastChild[uiParent]].uiNextSibling = uiIndex;
        LastChild[uiParent] = uiIndex;
    }
    return Items;
}

// The order in which data blocks are handed out: in file order, or shuffled
// so that chains jump back and forth over the data area. The shuffle is our
// own Fisher-Yates on mt19937 draws (whose sequence the language fixes), so
// the same seed gives the same archive with every standard library.
std::vector<uint32_t> BlockOrder(uint32_t uiTotalBlocks, const SOptions &Options)
{
    std::vector<uint32_t> Order(uiTotalBlocks);
    for (uint32_t uiBlock = 0; uiBlock < uiTotalBlocks; ++uiBlock)
        Order[uiBlock] = uiBlock;
    if (Options.bScatter && uiTotalBlocks > 1)
    {
        std::mt19937 Random(Options.uiSeed);
        for (uint32_t uiLast = uiTotalBlocks - 1; uiLast > 0; --uiLast)
        {
            const uint32_t uiPick = static_cast<uint32_t>((uint64_t(Random()) * (uint64_t(uiLast) + 1)) >> 32);
            std::swap(Order[uiLast], Order[uiPick]);
        }
    }
    return Order;
}

uint64_t BlocksFor(uint64_t uiSize, uint32_t uiStep)
{
    return (uiSize + uiStep - 1) / uiStep;
}

SPlan MakePlan(const SItem &Root, const SOptions &Options)
{
    SPlan Plan;
    SLayout &Layout = Plan.Layout;
    Plan.uiFiller = Options.uiFiller;

    std::vector<SFlatItem> Items = Flatten(Root, Layout.Paths);
    const uint32_t uiItemCount = To32(Items.size());
    Layout.uiItemCount = uiItemCount;

    // The data is cut into copy steps of the header's block size; a zero
    // there would never finish, so the data is then cut at 8 KiB.
    const uint32_t uiStep = Options.uiBlockSize != 0 ? Options.uiBlockSize : 8192;

    // Block entries, one chain per file with data, in directory index order.
    std::vector<SBlockEntry> Entries;
    Layout.Entries.resize(uiItemCount);
    Layout.Blocks.resize(uiItemCount);
    uint64_t uiUsedBlocks = 0;
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount; ++uiIndex)
    {
        const SItem &Item = *Items[uiIndex].pItem;
        if (Item.bFolder || Item.bNoData)
            continue;
        const uint64_t uiSize = Item.sData.size();
        const uint64_t uiFileBlocks = BlocksFor(uiSize, uiStep);
        const uint32_t uiPerEntry = Item.uiBlocksPerEntry != 0 ? Item.uiBlocksPerEntry : Options.uiBlocksPerEntry;
        const uint64_t uiEntryBlocks = uiPerEntry != 0 ? uiPerEntry : std::max<uint64_t>(uiFileBlocks, 1);
        uint64_t uiDone = 0;
        do
        {
            // An empty file still gets one entry, of length 0.
            const uint64_t uiLength = std::min<uint64_t>(uiSize - uiDone, uiEntryBlocks * uiStep);
            Layout.Entries[uiIndex].push_back(To32(Entries.size()));
            SBlockEntry Entry;
            Entry.uiDataLength = To32(uiLength);
            Entry.uiOwner = uiIndex;
            Entries.push_back(Entry);
            uiDone += uiLength;
            uiUsedBlocks += BlocksFor(uiLength, uiStep);
        } while (uiDone < uiSize);
    }
    const uint32_t uiEntryCount = To32(Entries.size());
    const uint32_t uiTotalBlocks = To32(uiUsedBlocks + Options.uiSpareBlocks);
    Layout.uiEntryCount = uiEntryCount;
    Layout.uiUsedBlocks = To32(uiUsedBlocks);
    Layout.uiTotalBlocks = uiTotalBlocks;
    Layout.uiLinkCount = uiTotalBlocks;
    Layout.uiBlockSize = Options.uiBlockSize;
    Layout.uiDataBlockSize = Options.uiDataBlockSize;

    // Data blocks and the fragmentation map. The link of a chain's last block
    // is never followed; it holds uiTotalBlocks, spare blocks hold all bits set.
    const std::vector<uint32_t> Order = BlockOrder(uiTotalBlocks, Options);
    std::vector<uint32_t> NextBlock(uiTotalBlocks, UNUSED_BLOCK_LINK);
    uint64_t uiHandedOut = 0;
    Plan.Chunks.reserve(uiUsedBlocks);
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount; ++uiIndex)
    {
        const SItem &Item = *Items[uiIndex].pItem;
        uint64_t uiOffset = 0;
        for (uint32_t uiEntry : Layout.Entries[uiIndex])
        {
            SBlockEntry &Entry = Entries[uiEntry];
            // The first block of an empty entry is never used; a value out of
            // range makes a reader that follows it anyway fail visibly.
            Entry.uiFirstBlock = Entry.uiDataLength == 0 ? UNUSED_BLOCK_LINK : Order[uiHandedOut];
            uint32_t uiPrevious = UNUSED_BLOCK_LINK;
            for (uint64_t uiRemaining = Entry.uiDataLength; uiRemaining > 0;)
            {
                const uint32_t uiBlock = Order[uiHandedOut++];
                const uint32_t uiLength = static_cast<uint32_t>(std::min<uint64_t>(uiRemaining, uiStep));
                Plan.Chunks.push_back({uiBlock, &Item.sData, uiOffset, uiLength});
                Layout.Blocks[uiIndex].push_back(uiBlock);
                if (uiPrevious != UNUSED_BLOCK_LINK)
                    NextBlock[uiPrevious] = uiBlock;
                NextBlock[uiBlock] = uiTotalBlocks;
                uiPrevious = uiBlock;
                uiOffset += uiLength;
                uiRemaining -= uiLength;
            }
        }
        for (size_t uiPosition = 0; uiPosition < Layout.Entries[uiIndex].size(); ++uiPosition)
        {
            const bool bLast = uiPosition + 1 == Layout.Entries[uiIndex].size();
            Entries[Layout.Entries[uiIndex][uiPosition]].uiNextEntry =
                bLast ? Options.uiEntryChainEnd : Layout.Entries[uiIndex][uiPosition + 1];
        }
    }
    std::sort(Plan.Chunks.begin(), Plan.Chunks.end(),
              [](const SChunk &A, const SChunk &B) { return A.uiBlock < B.uiBlock; });

    // The name table: the root's name first, then every item's, each ending in NUL.
    std::string sNames;
    for (SFlatItem &Flat : Items)
    {
        Flat.uiNameStart = To32(sNames.size());
        sNames += Flat.pItem->sName;
        sNames += '\0';
    }
    const uint32_t uiNameTableSize = std::max(To32(sNames.size()), Options.uiNameTableSize);
    Layout.uiNameTableSize = uiNameTableSize;

    // Positions, in file order.
    const bool bHasBlockEntryMap = Options.uiVersion != 6;
    const bool bHasDirectoryMapHeader = Options.uiVersion != 3;
    const bool bVersion3 = Options.uiVersion == 3;
    uint64_t uiPosition = 0;
    Layout.uiGcfHeader = 0;
    Layout.uiBlockEntryHeader = GCF_HEADER_SIZE;
    Layout.uiBlockEntries = Layout.uiBlockEntryHeader + BLOCK_ENTRY_HEADER_SIZE;
    uiPosition = Layout.uiBlockEntries + uint64_t(BLOCK_ENTRY_SIZE) * uiEntryCount;
    Layout.uiFragmentationMapHeader = To32(uiPosition);
    Layout.uiFragmentationMap = To32(uiPosition + FRAGMENTATION_MAP_HEADER_SIZE);
    uiPosition = Layout.uiFragmentationMap + uint64_t(4) * uiTotalBlocks;
    if (bHasBlockEntryMap)
    {
        Layout.uiMapCount = Options.uiMapCount;
        Layout.uiBlockEntryMapHeader = To32(uiPosition);
        Layout.uiBlockEntryMap = To32(uiPosition + BLOCK_ENTRY_MAP_HEADER_SIZE);
        uiPosition = Layout.uiBlockEntryMap + uint64_t(BLOCK_ENTRY_MAP_RECORD_SIZE) * Options.uiMapCount;
    }
    const uint32_t uiD = To32(uiPosition);
    Layout.uiDirectoryHeader = uiD;
    Layout.uiDirectoryEntries = To32(uiPosition + DIRECTORY_HEADER_SIZE);
    Layout.uiNameTable = To32(Layout.uiDirectoryEntries + uint64_t(DIRECTORY_ENTRY_SIZE) * uiItemCount);
    Layout.uiSideTableA = To32(uint64_t(Layout.uiNameTable) + uiNameTableSize);
    Layout.uiSideTableB = To32(Layout.uiSideTableA + uint64_t(4) * Options.uiSideACount);
    Layout.uiSideTableC = To32(Layout.uiSideTableB + uint64_t(4) * uiItemCount);
    Layout.uiSideTableD = To32(Layout.uiSideTableC + uint64_t(4) * Options.uiSideCCount);
    Layout.uiDirectorySize = std::max(Layout.uiSideTableD - uiD, Options.uiDirectorySize);
    uiPosition = uint64_t(uiD) + Layout.uiDirectorySize;
    if (bHasDirectoryMapHeader)
    {
        Layout.uiDirectoryMapHeader = To32(uiPosition);
        uiPosition += DIRECTORY_MAP_HEADER_SIZE;
    }
    Layout.uiDirectoryMap = To32(uiPosition);
    Layout.uiChecksumHeader = To32(uiPosition + uint64_t(4) * uiItemCount);
    Layout.uiChecksumMapHeader = To32(Layout.uiChecksumHeader + uint64_t(CHECKSUM_HEADER_SIZE));
    Layout.uiChecksumMap = To32(Layout.uiChecksumMapHeader + uint64_t(CHECKSUM_MAP_HEADER_SIZE));
    Layout.uiChecksumEntries =
        To32(Layout.uiChecksumMap + uint64_t(CHECKSUM_MAP_RECORD_SIZE) * Options.uiChecksumMapCount);
    // Version 3 reads its Data Block Header 4 bytes early, so the checksum
    // size must leave those 4 bytes after the checksum map.
    const uint32_t uiShift = bVersion3 ? VERSION3_HEADER_SHIFT : 0;
    const uint64_t uiMinimumChecksumSize = uint64_t(Layout.uiChecksumEntries - Layout.uiChecksumMapHeader) + uiShift;
    const uint64_t uiDerivedChecksumSize =
        std::max<uint64_t>(uiMinimumChecksumSize, uint64_t(Layout.uiChecksumEntries - Layout.uiChecksumMapHeader) +
                                                      Options.uiChecksumEntryBytes);
    Layout.uiChecksumSize = To32(Options.uiChecksumSize != 0
                                     ? std::max<uint64_t>(uiMinimumChecksumSize, Options.uiChecksumSize)
                                     : uiDerivedChecksumSize);
    Layout.uiDataBlockHeader = To32(uint64_t(Layout.uiChecksumMapHeader) + Layout.uiChecksumSize - uiShift);
    Layout.uiDataStart = To32(uint64_t(Layout.uiDataBlockHeader) + DATA_BLOCK_HEADER_SIZE);

    Plan.uiDataEnd = Layout.uiDataStart + uint64_t(uiTotalBlocks) * Options.uiDataBlockSize;
    for (const SChunk &Chunk : Plan.Chunks)
        Plan.uiDataEnd = std::max(Plan.uiDataEnd, Layout.uiDataStart +
                                                      uint64_t(Chunk.uiBlock) * Options.uiDataBlockSize +
                                                      Chunk.uiLength);
    Layout.uiFileSize = Plan.uiDataEnd + Options.uiTrailingBytes;

    // The head: every structure before the first data block.
    std::vector<uint8_t> &Head = Plan.Head;
    Head.assign(Layout.uiDataStart, 0);
    // The first two fields hold 1 and 1 in the archives the Steam client
    // writes; the reader does not read them, but the desktop's file type
    // rule does.
    PutU32(Head, 0, 1);
    PutU32(Head, 4, 1);
    PutU32(Head, 8, Options.uiVersion);
    PutU32(Head, 28, Options.bHasRecordedSize ? Options.uiRecordedSize : static_cast<uint32_t>(Layout.uiFileSize));
    PutU32(Head, 32, Options.uiBlockSize);
    PutU32(Head, 36, Options.uiEntryChainEnd);
    PutU32(Head, Layout.uiBlockEntryHeader, uiEntryCount);
    for (uint32_t uiEntry = 0; uiEntry < uiEntryCount; ++uiEntry)
    {
        const uint64_t uiAt = Layout.uiBlockEntries + uint64_t(BLOCK_ENTRY_SIZE) * uiEntry;
        PutU32(Head, uiAt + 8, Entries[uiEntry].uiDataLength);
        PutU32(Head, uiAt + 12, Entries[uiEntry].uiFirstBlock);
        PutU32(Head, uiAt + 16, Entries[uiEntry].uiNextEntry);
        PutU32(Head, uiAt + 24, Entries[uiEntry].uiOwner);
    }
    PutU32(Head, Layout.uiFragmentationMapHeader, uiTotalBlocks);
    for (uint32_t uiBlock = 0; uiBlock < uiTotalBlocks; ++uiBlock)
        PutU32(Head, Layout.uiFragmentationMap + uint64_t(4) * uiBlock, NextBlock[uiBlock]);
    if (bHasBlockEntryMap)
        PutU32(Head, Layout.uiBlockEntryMapHeader, Options.uiMapCount);
    PutU32(Head, uiD + 12, uiItemCount);
    PutU32(Head, uiD + 24, Layout.uiDirectorySize);
    PutU32(Head, uiD + 28, uiNameTableSize);
    PutU32(Head, uiD + 32, Options.uiSideACount);
    PutU32(Head, uiD + 36, Options.uiSideCCount);
    Layout.FirstEntry.resize(uiItemCount);
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount; ++uiIndex)
    {
        const SFlatItem &Flat = Items[uiIndex];
        const SItem &Item = *Flat.pItem;
        const uint64_t uiAt = Layout.uiDirectoryEntries + uint64_t(DIRECTORY_ENTRY_SIZE) * uiIndex;
        uint32_t uiItemSize = To32(Item.bFolder ? Item.Children.size() : Item.sData.size());
        if (!Item.bFolder && Item.bOverrideItemSize)
            uiItemSize = Item.uiItemSize;
        PutU32(Head, uiAt + 0, Flat.uiNameStart);
        PutU32(Head, uiAt + 4, uiItemSize);
        PutU32(Head, uiAt + 12, Item.bFolder ? 0 : (Item.uiFlags != 0 ? Item.uiFlags : DEFAULT_FILE_FLAGS));
        PutU32(Head, uiAt + 16, Flat.uiParent);
        PutU32(Head, uiAt + 20, Flat.uiNextSibling);
        PutU32(Head, uiAt + 24, Flat.uiFirstChild);
        // Folders and files without data map to the entry count: "no data".
        Layout.FirstEntry[uiIndex] =
            Layout.Entries[uiIndex].empty() ? uiEntryCount : Layout.Entries[uiIndex].front();
        PutU32(Head, Layout.uiDirectoryMap + uint64_t(4) * uiIndex, Layout.FirstEntry[uiIndex]);
    }
    std::memcpy(Head.data() + Layout.uiNameTable, sNames.data(), sNames.size());
    PutU32(Head, Layout.uiChecksumHeader + 4, Layout.uiChecksumSize);
    PutU32(Head, Layout.uiChecksumMapHeader + 8, Options.uiChecksumMapCount);
    PutU32(Head, Layout.uiDataBlockHeader + 4, uiTotalBlocks);
    PutU32(Head, Layout.uiDataBlockHeader + 8, Options.uiDataBlockSize);
    PutU32(Head, Layout.uiDataBlockHeader + 12, Layout.uiDataStart);
    PutU32(Head, Layout.uiDataBlockHeader + 16, To32(uiUsedBlocks));
    return Plan;
}

uint64_t ChunkStart(const SPlan &Plan, const SChunk &Chunk)
{
    return Plan.Layout.uiDataStart + uint64_t(Chunk.uiBlock) * Plan.Layout.uiDataBlockSize;
}

}  // namespace

SItem SItem::Folder(std::string sName, std::vector<SItem> Children)
{
    SItem Item;
    Item.sName = std::move(sName);
    Item.bFolder = true;
    Item.Children = std::move(Children);
    return Item;
}

SItem SItem::File(std::string sName, std::string sData)
{
    SItem Item;
    Item.sName = std::move(sName);
    Item.sData = std::move(sData);
    return Item;
}

SArchive Build(const SItem &Root, const SOptions &Options)
{
    SPlan Plan = MakePlan(Root, Options);
    SArchive Archive;
    Archive.Bytes = std::move(Plan.Head);
    Archive.Bytes.resize(Plan.Layout.uiFileSize, Plan.uiFiller);
    // In block order, so that where a copy step is longer than a data block
    // the next block's own bytes win, as a reader placing blocks would see them.
    for (const SChunk &Chunk : Plan.Chunks)
        std::memcpy(Archive.Bytes.data() + ChunkStart(Plan, Chunk), Chunk.pData->data() + Chunk.uiOffset,
                    Chunk.uiLength);
    Archive.Layout = std::move(Plan.Layout);
    return Archive;
}

bool BuildToFile(const SItem &Root, const SOptions &Options, const std::string &sPath, SLayout *pLayout)
{
    // Steps longer than a block overlap the next block; only the in-memory
    // build orders those writes, and such archives are small.
    if (Options.uiBlockSize > Options.uiDataBlockSize)
    {
        SArchive Archive = Build(Root, Options);
        if (pLayout != nullptr)
            *pLayout = Archive.Layout;
        return WriteFile(sPath, Archive.Bytes);
    }

    SPlan Plan = MakePlan(Root, Options);
    std::FILE *pFile = std::fopen(sPath.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    // Our own buffer: the stream's default one is a single file system block.
    std::vector<char> Buffer(1 << 20);
    std::setvbuf(pFile, Buffer.data(), _IOFBF, Buffer.size());
    const std::vector<char> Filler(1 << 16, static_cast<char>(Plan.uiFiller));
    bool bOk = std::fwrite(Plan.Head.data(), 1, Plan.Head.size(), pFile) == Plan.Head.size();
    uint64_t uiWritten = Plan.Head.size();
    auto PadTo = [&](uint64_t uiEnd) {
        while (bOk && uiWritten < uiEnd)
        {
            const size_t uiPart = static_cast<size_t>(std::min<uint64_t>(uiEnd - uiWritten, Filler.size()));
            bOk = std::fwrite(Filler.data(), 1, uiPart, pFile) == uiPart;
            uiWritten += uiPart;
        }
    };
    for (const SChunk &Chunk : Plan.Chunks)
    {
        PadTo(ChunkStart(Plan, Chunk));
        if (bOk)
            bOk = std::fwrite(Chunk.pData->data() + Chunk.uiOffset, 1, Chunk.uiLength, pFile) == Chunk.uiLength;
        uiWritten += Chunk.uiLength;
    }
    PadTo(Plan.Layout.uiFileSize);
    // A buffered stream may fail only when it is flushed.
    bOk = std::fclose(pFile) == 0 && bOk;
    if (pLayout != nullptr)
        *pLayout = std::move(Plan.Layout);
    return bOk;
}

bool WriteFile(const std::string &sPath, const std::vector<uint8_t> &Bytes)
{
    std::FILE *pFile = std::fopen(sPath.c_str(), "wb");
    if (pFile == nullptr)
        return false;
    const bool bWritten = std::fwrite(Bytes.data(), 1, Bytes.size(), pFile) == Bytes.size();
    return std::fclose(pFile) == 0 && bWritten;
}

}  // namespace GcfBuilder
