#pragma once
// The archive reader: maps one GCF file read-only, validates it, locates its
// structures and answers questions about its directory by directory index.
// Nothing here throws and nothing reads outside the mapped file: Open refuses
// a file whose structures do not lie inside it, and every query that follows
// an index or a link checks its range and bounds its walk.

#include "CMapping.h"
#include "GCFFormat.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// One item of a directory walk, in pre-order: the item and the position (in
// the walk's own vector) of the folder that holds it.
struct SDirectoryWalkItem
{
    uint32_t uiDirectoryIndex;
    uint32_t uiParentSlot;  // NO_PARENT_SLOT for the item the walk started at
    static constexpr uint32_t NO_PARENT_SLOT = 0xFFFFFFFFu;
};

// What following an item's block entries and data blocks found.
enum class EDataWalk
{
    Complete,         // every entry walked to the chain's end
    Stopped,          // the caller's step asked to stop (a write failed)
    NoData,           // the first entry index is uiEntryCount: the item has no data
    BadEntry,         // a block entry index at or beyond uiEntryCount
    EntryLoop,        // the entry chain is longer than the table: it loops
    BadBlock,         // a data block index at or beyond uiTotalBlocks
    BlockOutsideFile, // a copy step would read past the end of the file
    BadLink,          // a fragmentation map index at or beyond uiLinkCount
    BlockLoop,        // the block chain is longer than the map allows: it loops
};

// A short English reason for a damaged data walk ("" for Complete/Stopped/NoData).
const char *DataWalkReason(EDataWalk eResult);

// Why Open refused a file. Each reason has one text, the one GetLastError
// gives and the window's message box shows (OpenRefusalText).
enum class EOpenRefusal
{
    None,                    // no Open has failed since the last one began
    MapFailed,               // missing, unreadable, empty or not mappable
    TooLarge,                // 4 GiB or more: no 32-bit position reaches that far
    GCFHeaderOutside,        // too short to hold the GCF Header
    BadVersion,              // uiVersion is not 3, 5 or 6
    BlockSizeZero,
    BlockEntryHeaderOutside,
    BlockEntriesOutside,
    FragmentationMapHeaderOutside,
    FragmentationMapOutside,
    BlockEntryMapHeaderOutside,
    DirectoryHeaderOutside,
    DirectoryOutside,
    NameTableOutside,
    DirectoryMapHeaderOutside,
    DirectoryMapOutside,
    ChecksumHeaderOutside,
    ChecksumMapHeaderOutside,
    DataBlockHeaderOutside,
    DataAreaOutside,         // the data area ends beyond the end of the file
};

// The user-facing text of a refusal; null for None.
const char *OpenRefusalText(EOpenRefusal eRefusal);

// Where the structures of the open archive lie: each a view into the mapping,
// null while no archive is open, and null where a refused archive's structure
// could not be placed. Version 6 has no block entry map, version 3 no
// Directory Map Header.
struct SGCFPositions
{
    const uint8_t *lpBase = nullptr;
    const GCFHeader *lpHeader = nullptr;
    const GCFBlockEntryHeader *lpBlockEntryHeader = nullptr;
    const GCFBlockEntry *lpBlockEntries = nullptr;
    const GCFFragmentationMapHeader *lpFragmentationMapHeader = nullptr;
    const GCFFragmentationMap *lpFragmentationMap = nullptr;
    const GCFBlockEntryMapHeader *lpBlockEntryMapHeader = nullptr;
    const GCFBlockEntryMap *lpBlockEntryMap = nullptr;
    const GCFDirectoryHeader *lpDirectoryHeader = nullptr;
    const GCFDirectoryEntry *lpDirectoryEntries = nullptr;
    const uint8_t *lpNameTable = nullptr;
    const uint8_t *lpSideTableA = nullptr;
    const uint8_t *lpSideTableB = nullptr;
    const uint8_t *lpSideTableD = nullptr;
    const uint8_t *lpSideTableC = nullptr;
    const GCFDirectoryMapHeader *lpDirectoryMapHeader = nullptr;
    const GCFDirectoryMap *lpDirectoryMap = nullptr;
    const GCFChecksumHeader *lpChecksumHeader = nullptr;
    const GCFChecksumMapHeader *lpChecksumMapHeader = nullptr;
    const GCFChecksumMap *lpChecksumMap = nullptr;
    const uint8_t *lpChecksumEntries = nullptr;
    const GCFDataBlockHeader *lpDataBlockHeader = nullptr;
    const uint8_t *lpFirstDataBlock = nullptr;
};

class CGCF
{
public:
    CGCF() = default;
    ~CGCF();
    CGCF(const CGCF &) = delete;
    CGCF &operator=(const CGCF &) = delete;

    // Lifecycle.
    bool Open(const char *szFileName);
    // Opens an archive held in memory (the bytes stay the caller's and must
    // outlive the open archive); used by the fuzzer, so that a read outside
    // the bytes is seen at once. szFileName is what GetFileName reports.
    bool OpenMemory(const void *lpData, size_t uiSize, const char *szFileName);
    void Close();
    bool Opened() const;

    // Accessors.
    const std::string &GetFileName() const { return sFileName; }  // "" while closed
    uint32_t GetFileSize() const { return uiFileSize; }            // the real size, low 32 bits
    const char *GetLastError() const;            // null until an Open fails
    EOpenRefusal GetLastRefusal() const { return eLastRefusal; }
    // The positions of the open archive's structures; readable by anyone,
    // written only by Open.
    const SGCFPositions &GetPositions() const { return Positions; }

    // Writes dump.txt into the dump folder: the current folder unless one is
    // set ("" sets the current folder again). Open writes it for a refused
    // archive whose version is known.
    void Dump() const;
    void SetDumpFolder(std::string sFolder) { sDumpFolder = std::move(sFolder); }
    std::string GetDumpPath() const;

    // Directory queries. A bad index never reads outside the directory: it
    // answers as an empty item ("" for a name, 0 for counts and sizes). A name
    // ends at its NUL, at the name table's end, or after 4,096 bytes.
    uint32_t GetItemCount() const;                            // 0 when closed
    bool IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const;
    const GCFDirectoryEntry *GetDirectoryEntry(uint32_t uiDirectoryItemIndex) const;  // null when out of range
    bool IsFolder(uint32_t uiDirectoryItemIndex) const;       // uiFlags == 0 (false for a bad index)
    std::string_view GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const;
    // Prepends "\" + name for the item and each folder above it to cPath:
    // the root gives "\root", a file b.txt in folder a gives "\root\a\b.txt".
    void GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const;
    uint32_t GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const;
    uint32_t GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const;
    uint32_t GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const;
    uint32_t GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const;

    // The items of a folder in sibling order. False when a link leaves the
    // directory or the sibling chain loops; the items found before stay.
    bool GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const;

    // The subtree at uiRoot (uiRoot first) in pre-order, the order of the
    // folder tree. False, with the items found so far, when a link is out of
    // range, an item's name starts outside the name table or runs on for
    // 4,096 bytes, or an item is reached a second time (a cycle).
    bool WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &Items) const;

    // Data access.
    const uint8_t *GetDataBlock(uint32_t uiDataBlockIndex) const;  // not tested against uiTotalBlocks; null past the file end
    uint32_t GetFirstEntry(uint32_t uiDirectoryItemIndex) const;  // the directory map; uiEntryCount for a bad index
    const GCFBlockEntry *GetBlockEntry(uint32_t uiBlockEntryIndex) const;  // null when out of range

    // Follows an item's data from block entry uiFirstEntry exactly as the
    // chains hold it. For each entry walked, OnEntry(const GCFBlockEntry &)
    // is called first; then, for each copy step, OnStep(uint64_t uiFileOffset,
    // uint32_t uiLength), where the bytes lie at lpBase + uiFileOffset. Either
    // callback returns false to stop (the result is then Stopped).
    template <class EntryFn, class StepFn>
    EDataWalk WalkItemData(uint32_t uiFirstEntry, EntryFn &&OnEntry, StepFn &&OnStep) const;

    // Device and inode of the mapped file (0, 0 for an archive in memory), so
    // that extraction can refuse to overwrite the open archive.
    uint64_t GetFileDevice() const { return Mapping.uiDevice; }
    uint64_t GetFileInode() const { return Mapping.uiInode; }

private:
    bool MapFile(const char *szFileName);
    bool UnmapFile();
    bool Validate(const char *szFileName);  // steps 3 to 7 of opening, after the view exists
    // Ends a failed Open: keeps the reason, writes the dump when asked (only
    // once the version is known is there a header worth showing) and closes.
    bool Refuse(EOpenRefusal eRefusal, bool bDump);

    const void *lpView = nullptr;
    uint32_t uiFileSize = 0;
    std::string sFileName;
    EOpenRefusal eLastRefusal = EOpenRefusal::None;
    SGCFPositions Positions;
    std::string sDumpFolder;
    CMapping Mapping;
};

// ---------------------------------------------------------------------------

template <class EntryFn, class StepFn>
EDataWalk CGCF::WalkItemData(uint32_t uiFirstEntry, EntryFn &&OnEntry, StepFn &&OnStep) const
{
    if (!Opened())
        return EDataWalk::BadEntry;
    const uint32_t uiEntryCount = Positions.lpBlockEntryHeader->uiEntryCount;
    if (uiFirstEntry == uiEntryCount)
        return EDataWalk::NoData;

    const uint32_t uiBlockSize = Positions.lpHeader->uiBlockSize;
    const uint32_t uiEntryChainEnd = Positions.lpHeader->uiEntryChainEnd;
    const uint32_t uiTotalBlocks = Positions.lpDataBlockHeader->uiTotalBlocks;
    const uint64_t uiDataBlockSize = Positions.lpDataBlockHeader->uiDataBlockSize;
    const uint64_t uiDataStart = Positions.lpDataBlockHeader->uiDataStart;
    const uint32_t uiLinkCount = Positions.lpFragmentationMapHeader->uiLinkCount;
    if (uiBlockSize == 0)
        return EDataWalk::BlockLoop;  // a zero step would never finish

    // An intact item uses each block entry once and each data block once, so
    // its walk can take at most uiEntryCount entries and, in all, at most
    // uiLinkCount + (entries walked) blocks. More than that is a loop.
    uint64_t uiBlockBudget = uiLinkCount;
    // Those bounds alone would let a small loop run as long as the tables are
    // big, so each chain is also watched for coming back on itself (Brent's
    // method: each new index is compared with one saved index, which moves
    // on whenever the steps since it reach the next power of two). That finds
    // a loop within a few times the chain's length, keeping nothing per step.
    uint32_t uiSavedEntry = uiFirstEntry;
    uint64_t uiEntryPower = 1, uiEntrySteps = 0;
    uint32_t uiEntry = uiFirstEntry;
    for (uint64_t uiEntriesWalked = 0;; ++uiEntriesWalked)
    {
        if (uiEntry >= uiEntryCount)
            return EDataWalk::BadEntry;
        if (uiEntriesWalked >= uiEntryCount)
            return EDataWalk::EntryLoop;
        const GCFBlockEntry &Entry = Positions.lpBlockEntries[uiEntry];
        if (!OnEntry(Entry))
            return EDataWalk::Stopped;
        ++uiBlockBudget;

        uint32_t uiRemaining = Entry.uiDataLength;
        uint32_t uiBlock = Entry.uiFirstBlock;
        uint32_t uiSavedBlock = uiBlock;
        uint64_t uiBlockPower = 1, uiBlockSteps = 0;
        while (uiRemaining > 0)
        {
            if (uiBlockBudget == 0)
                return EDataWalk::BlockLoop;
            --uiBlockBudget;
            if (uiBlock >= uiTotalBlocks)
                return EDataWalk::BadBlock;
            const uint32_t uiStep = uiRemaining < uiBlockSize ? uiRemaining : uiBlockSize;
            const uint64_t uiOffset = uiDataStart + uiBlock * uiDataBlockSize;
            if (uiOffset + uiStep > Mapping.uiSize)
                return EDataWalk::BlockOutsideFile;
            if (!OnStep(uiOffset, uiStep))
                return EDataWalk::Stopped;
            uiRemaining -= uiStep;
            if (uiRemaining > 0)
            {
                // The last block's link is never needed, so it is not read.
                if (uiBlock >= uiLinkCount)
                    return EDataWalk::BadLink;
                uiBlock = Positions.lpFragmentationMap[uiBlock].uiNextBlock;
                if (uiBlock == uiSavedBlock)
                    return EDataWalk::BlockLoop;
                if (++uiBlockSteps == uiBlockPower)
                {
                    uiSavedBlock = uiBlock;
                    uiBlockPower *= 2;
                    uiBlockSteps = 0;
                }
            }
        }

        const uint32_t uiNext = Entry.uiNextEntry;
        if (uiNext == uiEntryChainEnd)
            return EDataWalk::Complete;
        if (uiNext == uiSavedEntry)
            return EDataWalk::EntryLoop;
        if (++uiEntrySteps == uiEntryPower)
        {
            uiSavedEntry = uiNext;
            uiEntryPower *= 2;
            uiEntrySteps = 0;
        }
        uiEntry = uiNext;
    }
}

}  // namespace Larkspur
