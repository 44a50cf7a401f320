// SPDX-License-Identifier: MIT
#pragma once
// An open archive, whatever its format: what the window, the command-line
// tool and the mount ask of it. Both readers implement it (CGCF for a GCF
// file, CVPK for a VPK set) and OpenArchive (OpenArchive.h) picks the reader
// by the file's signature. Views that only one format has (a GCF's structure
// dump, its block and flag fields) stay with that reader's own class.
//
// Items are named by directory index, 0 being the root folder, called
// "root" in every format. A bad index answers as an empty item: "" for a
// name, 0 for counts and sizes, no data. Names are the archive's bytes and
// stay valid while the archive is open.
//
// Every query reads what the reader copied and checked at open, or reads
// the archive's files through checked sources (CDataSource); none throws but
// for the allocation of a list or a path.

#include "ArchiveResults.h"
#include "CDataSource.h"

#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

class CItemData;

// One item of a directory walk, in pre-order: the item and the position (in
// the walk's own vector) of the folder that holds it.
struct SDirectoryWalkItem
{
    uint32_t uiDirectoryIndex;
    uint32_t uiParentSlot;  // NO_PARENT_SLOT for the item the walk started at
    static constexpr uint32_t NO_PARENT_SLOT = 0xFFFFFFFFu;
};

enum class EArchiveFormat
{
    GCF,
    VPK,
};

// What the title, the status bar and `info` show of an archive, in the form
// its format has: a GCF shows its version as "v6" and its used and total
// data blocks; a VPK set "VPK v2" and its number of files.
struct SArchiveSummary
{
    EArchiveFormat eFormat = EArchiveFormat::GCF;
    uint32_t uiVersion = 0;
    std::string sVersion;  // "v6", "VPK v1", "VPK v2"
    // A GCF's size as its header records it; a VPK set's files together
    // (the directory file and the data files that are there).
    uint64_t uiSize = 0;
    std::string sCounts;   // "1500/2048" (GCF blocks), "1234" (VPK files)
};

// A stretch of one of the archive's files and the MD5 the archive records
// for it: what verifying checks beyond each file's own data.
struct SRecordedMD5
{
    std::string sWhat;                      // "tree", "archive MD5 section", "chunk 12 of pak01_001.vpk"
    std::string sFile;                      // the file of the set it lies in ("pak01_001.vpk")
    const CDataSource *lpSource = nullptr;  // null when that file is missing
    uint64_t uiOffset = 0;
    uint64_t uiLength = 0;
    std::array<uint8_t, 16> MD5{};
};

// What one command (an extraction, a hash of many files, a mount) has taken
// of an archive's data so far, for a format that bounds a command by it: a
// GCF's data blocks are each written at most once per command.
class IDataClaims
{
public:
    virtual ~IDataClaims() = default;
};

class IArchive
{
public:
    virtual ~IArchive() = default;

    // The open archive.
    virtual bool Opened() const = 0;
    virtual void Close() = 0;
    virtual const std::string &GetFileName() const = 0;  // the path it was opened by; "" while closed
    virtual SArchiveSummary GetArchiveSummary() const = 0;
    // True once a file of the archive is shorter than when it was mapped:
    // its lost pages cannot be read any more.
    virtual bool IsCutShort() const = 0;
    // True when the file of that device and inode is one of the archive's
    // own files, which an extraction must not write over.
    virtual bool IsArchiveFile(uint64_t uiDevice, uint64_t uiInode) const = 0;
    // The files that hold the archive's data, each mapped (a VPK set's data
    // files are mapped by this call; missing ones are left out): what the
    // read-ahead of a cold archive looks at.
    virtual std::vector<const CDataSource *> GetSources() const = 0;

    // The tree.
    virtual uint32_t GetItemCount() const = 0;  // 0 when closed
    virtual bool IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const = 0;
    virtual bool IsFolder(uint32_t uiDirectoryItemIndex) const = 0;
    virtual std::string_view GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const = 0;
    // The folder that holds the item: an index at or past GetItemCount()
    // for the root and for a bad index. A damaged GCF directory may link
    // folders into a loop, so a walk up must be bounded by the item count.
    virtual uint32_t GetDirectoryItemParent(uint32_t uiDirectoryItemIndex) const = 0;
    // Prepends "\" + name for the item and each folder above it to cPath:
    // "\root\maps\a.bsp". A path that would pass 16 MiB is cut from the top
    // and then begins with "..."; false then.
    virtual bool GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const = 0;
    // The items of a folder in the archive's order. False when a link
    // leaves the directory or loops; the items found before stay.
    virtual bool GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const = 0;
    // The subtree at uiRoot (uiRoot first) in pre-order, the order of the
    // folder tree. False, with the items found so far, where the
    // directory's links are damaged.
    virtual bool WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &Items) const = 0;
    // 1 for a file; for a folder the files (or folders) anywhere below it.
    virtual uint32_t GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const = 0;
    virtual uint32_t GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const = 0;
    // A file's size; a folder's, the sum below it. A GCF's sums are 32-bit
    // and wrap as its format's do.
    virtual uint64_t GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const = 0;
    // The bytes the archive takes for the item: a GCF's in whole blocks, a
    // VPK's as they are stored.
    virtual uint64_t GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const = 0;
    // What a list row shows as the item's size: a file's bytes, a folder's
    // number of items.
    virtual uint64_t GetDirectoryEntrySize(uint32_t uiDirectoryItemIndex) const = 0;

    // The data.
    // False for a file the archive holds no data for (a GCF's directory map
    // can say so), and for a folder.
    virtual bool HasData(uint32_t uiDirectoryItemIndex) const = 0;
    // A fresh record for one command; null for a format that needs none.
    virtual std::unique_ptr<IDataClaims> MakeClaims() const = 0;
    // Describes the item's data as runs over the archive's files (in Data),
    // with lpClaims, when given, the record of the command it is for (made
    // by this archive's MakeClaims).
    virtual EDataWalk DescribeItemData(uint32_t uiDirectoryItemIndex, CItemData &Data,
                                       IDataClaims *lpClaims) const = 0;

    // What can be verified.
    // The CRC32 the archive records for a file's data (a VPK entry's); none
    // where the format records none that is read.
    virtual std::optional<uint32_t> GetStoredCrc32(uint32_t uiDirectoryItemIndex) const = 0;
    // The name of the file apart from the opened one that holds a file's
    // data ("pak01_003.vpk"); "" when the opened file holds all of it.
    virtual std::string GetDataFileName(uint32_t uiDirectoryItemIndex) const = 0;
    // The archive's own checksums of its parts, in file order; empty for a
    // format (or a version) that records none.
    virtual std::vector<SRecordedMD5> GetRecordedMD5s() const = 0;
};

}  // namespace Larkspur
