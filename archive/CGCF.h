// SPDX-License-Identifier: MIT
#pragma once
// The archive reader: maps one GCF file read-only, validates it, locates its
// structures and answers questions about its directory by directory index.
// Nothing reads outside the mapped file: Open refuses a file whose
// structures do not lie inside it, and every query that follows an index or
// a link checks its range and bounds its walk. No address into the mapping
// leaves the reader: where the structures lie stays private, and callers get
// copies (the headers, a block entry, a link), checked spans (a data block)
// and, through CItemData, an item's data as runs over the file (its source).
//
// The file may change while it is open (another program rewrites it in place
// or cuts it short). So Open copies what it validated: the headers, and the
// directory (entries, names, directory map), read once under the guard of
// CGuardedRead.h; every directory query answers from that copy. Block
// entries, links and data are read from the mapping when asked for, each
// under the same guard and checked against the copied counts.
//
// Failures are results, not exceptions: Open refuses with a reason (also
// when there is no memory for the directory's copy), a query with an empty
// answer. Only the allocations of the queries that build a list or a path
// can throw (std::bad_alloc), as any allocation can.
//
// It is the GCF side of the archive interface (IArchive.h); the structure
// dump, the headers and the block entries are its own.

#include "CDataSource.h"
#include "DataRuns.h"
#include "GCFFormat.h"
#include "IArchive.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// The structures of a GCF file, in file order. Version 6 has no block entry
// map, version 3 no Directory Map Header.
enum class EGCFStructure
{
    Header,
    BlockEntryHeader,
    BlockEntries,
    FragmentationMapHeader,
    FragmentationMap,
    BlockEntryMapHeader,
    BlockEntryMap,
    DirectoryHeader,
    DirectoryEntries,
    NameTable,
    SideTableA,
    SideTableB,
    SideTableC,
    SideTableD,
    DirectoryMapHeader,
    DirectoryMap,
    ChecksumHeader,
    ChecksumMapHeader,
    ChecksumMap,
    ChecksumEntries,
    DataBlockHeader,
    FirstDataBlock,
    Count,
};

// The headers as Open validated them, copied out of the file: every count
// and size the reader uses comes from here. All zero while closed.
struct SGCFHeaders
{
    GCFHeader Header{};
    GCFBlockEntryHeader BlockEntryHeader{};
    GCFFragmentationMapHeader FragmentationMapHeader{};
    GCFBlockEntryMapHeader BlockEntryMapHeader{};  // zero for version 6
    GCFDirectoryHeader DirectoryHeader{};
    GCFChecksumHeader ChecksumHeader{};
    GCFChecksumMapHeader ChecksumMapHeader{};
    GCFDataBlockHeader DataBlockHeader{};
};

class CGCF final : public IArchive
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
    void Close() override;
    bool Opened() const override;

    // Accessors.
    const std::string &GetFileName() const override { return sFileName; }  // "" while closed
    uint32_t GetFileSize() const { return uiFileSize; }            // the real size, low 32 bits
    const char *GetLastError() const;            // null until an Open fails
    EOpenRefusal GetLastRefusal() const { return eLastRefusal; }
    // Where a structure lies in the file: set by Open in file order as far
    // as it got (a refused archive keeps them for its dump). Nothing for one
    // that is not located: closed, absent in the version, or placed outside
    // the file.
    std::optional<uint64_t> GetStructureOffset(EGCFStructure eStructure) const;
    // The headers copied and validated at open.
    const SGCFHeaders &GetHeaders() const { return Headers; }
    // The mapped file, the source that item data runs read from.
    const CDataSource &GetSource() const { return Source; }

    // Writes dump.txt into the dump folder: the current folder unless one is
    // set ("" sets the current folder again). Open writes it for a refused
    // archive whose version is known, unless told not to. False when the
    // file could not be written (it is never written through a link, nor
    // into anything but a regular file).
    bool Dump() const;
    void SetDumpFolder(std::string sFolder) { sDumpFolder = std::move(sFolder); }
    void SetDumpOnRefusal(bool bDump) { bDumpOnRefusal = bDump; }
    std::string GetDumpPath() const;

    // Directory queries, answered from the copy taken at open. A bad index
    // never reads outside the directory: it answers as an empty item ("" for
    // a name, 0 for counts and sizes). A name ends at its NUL, at the name
    // table's end, or after 4,096 bytes; names stay valid while the archive
    // is open, whatever happens to the file.
    uint32_t GetItemCount() const override;                   // 0 when closed
    bool IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const override;
    const GCFDirectoryEntry *GetDirectoryEntry(uint32_t uiDirectoryItemIndex) const;  // null when out of range
    bool IsFolder(uint32_t uiDirectoryItemIndex) const override;  // uiFlags == 0 (false for a bad index)
    std::string_view GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const override;
    // The entry's uiParent as it stands (GCF_ROOT_PARENT for the root).
    uint32_t GetDirectoryItemParent(uint32_t uiDirectoryItemIndex) const override;
    // Prepends "\" + name for the item and each folder above it to cPath:
    // the root gives "\root", a file b.txt in folder a gives "\root\a\b.txt".
    // A path that would pass 16 MiB is cut from the top and then begins with
    // "..." instead of "\" (every whole path begins with "\"); false then.
    bool GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const override;
    uint32_t GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const override;
    uint32_t GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const override;
    // Sums of 32-bit sizes that wrap modulo 2^32, as the format's counts do.
    uint64_t GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const override;
    uint64_t GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const override;
    // The entry's uiItemSize.
    uint64_t GetDirectoryEntrySize(uint32_t uiDirectoryItemIndex) const override;

    // The items of a folder in sibling order. False when a link leaves the
    // directory or the sibling chain loops; the items found before stay.
    bool GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const override;

    // The subtree at uiRoot (uiRoot first) in pre-order, the order of the
    // folder tree. False, with the items found so far, when a link is out of
    // range, an item's name starts outside the name table or runs on for
    // 4,096 bytes, or an item is reached a second time (a cycle).
    bool WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &Items) const override;

    // Data access. The directory map comes from the copy; the rest reads the
    // mapping under the guard. Item data is best read through CItemData.
    uint32_t GetFirstEntry(uint32_t uiDirectoryItemIndex) const;  // uiEntryCount for a bad index
    // False when the index is at or beyond uiEntryCount, or the file has been
    // cut short under the entry (IsCutShort then says so).
    bool ReadBlockEntry(uint32_t uiBlockEntryIndex, GCFBlockEntry &Entry) const;
    // The fragmentation map's link of a data block; false as above, for an
    // index at or beyond uiLinkCount.
    bool ReadNextBlock(uint32_t uiDataBlockIndex, uint32_t &uiNextBlock) const;
    // The uiDataBlockSize bytes of a data block, at uiDataStart + index x
    // uiDataBlockSize. Not tested against uiTotalBlocks (every block below it
    // lies inside the file), but empty where the block does not lie wholly
    // inside the file, and while closed.
    SFileSpan GetDataBlock(uint32_t uiDataBlockIndex) const;

    // True when the file is now shorter than when it was mapped: its lost
    // pages cannot be read any more. Never true for an archive in memory.
    bool IsCutShort() const override { return Source.IsCutShort(); }

    // Device and inode of the mapped file (0, 0 for an archive in memory), so
    // that extraction can refuse to overwrite the open archive.
    uint64_t GetFileDevice() const { return Source.GetFileDevice(); }
    uint64_t GetFileInode() const { return Source.GetFileInode(); }

    // The rest of the archive interface. The version as the status bar shows
    // it ("v6") and the used and total data blocks; a file has data unless
    // its directory map holds uiEntryCount; a command's claims are a
    // CBlockClaims; the checksum structures are not read, so nothing is
    // recorded to verify against, and the one file holds all the data.
    SArchiveSummary GetArchiveSummary() const override;
    bool IsArchiveFile(uint64_t uiDevice, uint64_t uiInode) const override;
    std::vector<const CDataSource *> GetSources() const override { return {&Source}; }
    bool HasData(uint32_t uiDirectoryItemIndex) const override;
    std::unique_ptr<IDataClaims> MakeClaims() const override;
    EDataWalk DescribeItemData(uint32_t uiDirectoryItemIndex, CItemData &Data, IDataClaims *lpClaims) const override;
    std::optional<uint32_t> GetStoredCrc32(uint32_t) const override { return std::nullopt; }
    std::string GetDataFileName(uint32_t) const override { return std::string(); }
    std::vector<SRecordedMD5> GetRecordedMD5s() const override { return {}; }

private:
    bool MapFile(const char *szFileName);
    bool UnmapFile();
    // Everything opening does once the file is viewed: the version, the
    // structures in file order, the data area, the directory's copy.
    bool Validate(const char *szFileName);
    EOpenRefusal LocateStructures(EOpenRefusal eRefusal);
    EOpenRefusal CopyDirectory();
    // Ends a failed Open: keeps the reason, writes the dump when asked (only
    // once the version is known is there a header worth showing) and closes.
    bool Refuse(EOpenRefusal eRefusal, bool bDump);

    uint32_t uiFileSize = 0;
    std::string sFileName;
    EOpenRefusal eLastRefusal = EOpenRefusal::None;
    // Where each structure lies, NOT_LOCATED where it does not.
    static constexpr uint64_t NOT_LOCATED = UINT64_MAX;
    using SOffsets = std::array<uint64_t, static_cast<size_t>(EGCFStructure::Count)>;
    SOffsets Offsets = NoOffsets();
    static SOffsets NoOffsets();
    uint64_t OffsetOf(EGCFStructure eStructure) const { return Offsets[static_cast<size_t>(eStructure)]; }
    SGCFHeaders Headers;
    // The directory as it was at open.
    std::vector<GCFDirectoryEntry> DirectoryEntries;
    std::vector<uint8_t> NameTable;
    std::vector<GCFDirectoryMap> DirectoryMap;
    std::string sDumpFolder;
    bool bDumpOnRefusal = true;
    CDataSource Source;
};

}  // namespace Larkspur

