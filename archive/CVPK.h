// SPDX-License-Identifier: MIT
#pragma once
// The VPK reader: opens the directory file of a VPK set read-only, validates
// its header, sections and tree, and answers questions about the tree by
// directory index, as CGCF does for a GCF: index 0 is the root folder, named
// "root"; folders exist as the parts of the files' paths.
//
// Open copies the tree once (the file may be rewritten while it is open) and
// builds the folders and files from the copy; every query answers from what
// was built, and nothing from the file is trusted: every string must end
// inside the tree, every entry and its preload bytes lie inside it, every
// section inside the file. A file whose data cannot be read (its data file
// is missing, its bytes lie past the end of its file or partly overlap an
// earlier file's) stays in the tree, marked damaged; an entry whose name its
// folder already holds is left out and counted.
//
// Data files (NAME_000.vpk and up beside NAME_dir.vpk) are mapped when first
// needed, once, from any thread. Item data is best read through
// CVPKItemData, or as any archive's through CItemData: it is the VPK side of
// the archive interface (IArchive.h).

#include "ArchiveResults.h"
#include "CVPKSource.h"
#include "IArchive.h"
#include "VPKFormat.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Why a file of the set cannot be read, or why an entry was left out.
enum class EVPKDamage : uint8_t
{
    None,
    NotAFile,         // a folder, or no such item
    MissingDataFile,  // its data file is not there (or a single file names one)
    OutsideDataFile,  // its bytes run past the end of its data file
    Overlap,          // its bytes partly overlap those of an earlier file
    DuplicateName,    // left out: its folder holds an earlier item of that name
    NameTooLong,      // left out: a name of more than 255 bytes
};

// A short English reason ("missing data file"); "" for None.
const char *VPKDamageReason(EVPKDamage eDamage);

// A file's directory entry as Open copied and checked it.
struct SVPKFileEntry
{
    uint32_t uiCRC = 0;
    uint16_t uiPreloadBytes = 0;
    uint16_t uiArchiveIndex = 0;
    uint32_t uiEntryOffset = 0;
    uint32_t uiEntryLength = 0;
    uint64_t uiPreloadOffset = 0;  // where the preload bytes lie in the directory file
    EVPKDamage eDamage = EVPKDamage::None;  // found at open; a data file's end is checked when it is mapped
};

// An entry (or all entries below a path) that Open left out of the tree.
struct SVPKLeftOut
{
    uint32_t uiFolder = 0;   // the folder that would have held it
    std::string_view sName;  // its name (or path part), at most 255 bytes of it
    uint32_t uiFiles = 0;    // the files left out with it
    EVPKDamage eReason = EVPKDamage::None;
};

// Where the parts of the directory file lie, from its header.
struct SVPKSections
{
    uint32_t uiVersion = 0;
    uint32_t uiHeaderSize = 0;        // 12 or 28; the tree starts here
    uint32_t uiTreeSize = 0;
    uint64_t uiFileDataOffset = 0;    // header + tree: where 0x7FFF offsets count from
    uint64_t uiFileDataSize = 0;      // version 1: every byte after the tree
    uint64_t uiArchiveMD5Offset = 0;
    uint32_t uiArchiveMD5Size = 0;
    uint64_t uiOtherMD5Offset = 0;
    uint32_t uiOtherMD5Size = 0;
    uint64_t uiSignatureOffset = 0;
    uint32_t uiSignatureSize = 0;
    uint32_t uiPublicKeySize = 0;     // inside the signature section
    uint32_t uiSignatureBytes = 0;
};

// What the status bar and `info` show.
struct SVPKSummary
{
    uint32_t uiVersion = 0;
    uint32_t uiDataFileCount = 0;   // distinct data files the entries name (not the directory file)
    uint32_t uiFileCount = 0;
    uint32_t uiFolderCount = 0;     // below the root
    uint64_t uiDataSize = 0;        // the sum of the files' sizes
    bool bSignature = false;        // version 2: a signature section is present
    uint32_t uiDamagedFiles = 0;    // files in the tree marked damaged at open
    uint32_t uiLeftOutFiles = 0;    // entries left out of the tree
};

// A file of the set held in memory, for OpenMemory.
struct SVPKMemoryFile
{
    uint16_t uiArchiveIndex = 0;
    const void *lpData = nullptr;
    size_t uiSize = 0;
};

class CVPK final : public IArchive
{
public:
    CVPK();
    ~CVPK();
    CVPK(const CVPK &) = delete;
    CVPK &operator=(const CVPK &) = delete;

    // Lifecycle.
    bool Open(const char *szFileName);
    // Opens a directory file held in memory, with its data files (those not
    // given are missing); the bytes stay the caller's and must outlive the
    // open archive. szFileName decides, as for a file, whether the set may
    // have data files.
    bool OpenMemory(const void *lpData, size_t uiSize, const char *szFileName,
                    const std::vector<SVPKMemoryFile> &DataFiles = {});
    void Close() override;
    bool Opened() const override;

    // Accessors.
    const std::string &GetFileName() const override { return sFileName; }  // "" while closed
    uint64_t GetFileSize() const;                                  // the directory file's real size
    const char *GetLastError() const { return OpenRefusalText(eLastRefusal); }  // null until an Open fails
    EOpenRefusal GetLastRefusal() const { return eLastRefusal; }
    const SVPKSections &GetSections() const { return Sections; }
    const SVPKSummary &GetSummary() const { return Summary; }
    // Version 2: the archive MD5 records and the other MD5 section, copied at
    // open (empty, and null, when absent).
    const std::vector<VPKArchiveMD5Entry> &GetArchiveMD5Entries() const { return ArchiveMD5Entries; }
    const VPKOtherMD5Section *GetOtherMD5() const;
    const std::vector<SVPKLeftOut> &GetLeftOutItems() const { return LeftOut; }

    // Directory queries, as CGCF's: a bad index answers as an empty item.
    uint32_t GetItemCount() const override;  // 0 when closed
    bool IsValidDirectoryIndex(uint32_t uiDirectoryItemIndex) const override;
    bool IsFolder(uint32_t uiDirectoryItemIndex) const override;
    std::string_view GetDirectoryItemName(uint32_t uiDirectoryItemIndex) const override;
    uint32_t GetDirectoryItemParent(uint32_t uiDirectoryItemIndex) const override;
    // Prepends "\" + name for the item and each folder above it to cPath
    // ("\root\maps\a.bsp"); a path that would pass 16 MiB is cut from the
    // top, begins with "..." and gives false.
    bool GetDirectoryItemPath(uint32_t uiDirectoryItemIndex, std::string &cPath) const override;
    uint32_t GetDirectoryItemFileCount(uint32_t uiDirectoryItemIndex) const override;
    uint32_t GetDirectoryItemFolderCount(uint32_t uiDirectoryItemIndex) const override;
    // A file's size (preload + entry length); a folder's, the sum below it.
    // 64-bit: a set's files together pass 4 GiB.
    uint64_t GetDirectoryItemSize(uint32_t uiDirectoryItemIndex) const override;
    // The bytes the set stores for the item's data (a file's size, as no
    // VPK rounds to blocks); a folder's, the sum below it.
    uint64_t GetDirectoryItemSizeOnDisk(uint32_t uiDirectoryItemIndex) const override;
    // What a GCF directory entry keeps as uiItemSize: a file's size in
    // bytes, a folder's number of items.
    uint64_t GetDirectoryEntrySize(uint32_t uiDirectoryItemIndex) const override;
    bool GetDirectoryItemChildren(uint32_t uiFolder, std::vector<uint32_t> &Children) const override;
    bool WalkDirectory(uint32_t uiRoot, std::vector<SDirectoryWalkItem> &Items) const override;

    // Data access. A file's entry (null for a folder or a bad index).
    const SVPKFileEntry *GetFileEntry(uint32_t uiDirectoryItemIndex) const;
    // The directory file (VPK_DIRECTORY_FILE_INDEX) or a data file, mapped on
    // first use; null when it is missing or cannot be mapped, or when the
    // set has no data files. Safe to call from several threads at once.
    const CVPKSource *GetSource(uint16_t uiArchiveIndex) const;
    // The path data file uiArchiveIndex has, or would have ("" for a set
    // without data files).
    std::string GetDataFilePath(uint16_t uiArchiveIndex) const;
    bool HasDataFiles() const { return bHasDataFiles; }

    // The rest of the archive interface. The summary shows "VPK v1" or
    // "VPK v2" and the number of files; every file has data (a damaged one
    // says why when it is described); a set's identical ranges may be shared,
    // so a command claims nothing; the CRC32 is the entry's; the MD5s are
    // version 2's: the tree's, the archive MD5 section's and each chunk's.
    SArchiveSummary GetArchiveSummary() const override;
    bool IsCutShort() const override;
    bool IsArchiveFile(uint64_t uiDevice, uint64_t uiInode) const override;
    std::vector<const CDataSource *> GetSources() const override;
    bool HasData(uint32_t uiDirectoryItemIndex) const override { return GetFileEntry(uiDirectoryItemIndex) != nullptr; }
    std::unique_ptr<IDataClaims> MakeClaims() const override { return nullptr; }
    EDataWalk DescribeItemData(uint32_t uiDirectoryItemIndex, CItemData &Data, IDataClaims *lpClaims) const override;
    std::optional<uint32_t> GetStoredCrc32(uint32_t uiDirectoryItemIndex) const override;
    std::string GetDataFileName(uint32_t uiDirectoryItemIndex) const override;
    std::vector<SRecordedMD5> GetRecordedMD5s() const override;

private:
    // An item of the tree. Parents come before their items (a folder is made
    // when a path first names it), so index order is a valid order for
    // adding up from the leaves.
    struct SItem
    {
        uint64_t uiNameOffset = 0;  // in Names
        uint32_t uiParent = NO_ITEM;
        uint32_t uiFirstChild = 0;  // 0: none (the root is nobody's item)
        uint32_t uiNextSibling = 0;
        uint32_t uiRecord = 0;      // index into Folders or Files
        uint8_t uiNameLength = 0;
        bool bFolder = false;
    };
    // A folder's totals, added up once at open.
    struct SFolder
    {
        uint32_t uiItems = 0;  // its own items
        uint32_t uiFiles = 0;  // files and folders anywhere below it
        uint32_t uiFolders = 0;
        uint32_t uiLastChild = 0;  // where the next item is linked in while the tree is built
        uint64_t uiSize = 0;
    };
    struct SDataFile
    {
        uint16_t uiArchiveIndex = 0;
        std::once_flag Mapped;
        std::atomic<bool> bPresent = false;  // read by IsCutShort from any thread
        const void *lpMemory = nullptr;  // OpenMemory's bytes, if given
        size_t uiMemorySize = 0;
        CVPKSource Source;
    };
    class CNameTable;
    class CTreeBuilder;
    static constexpr uint32_t NO_ITEM = 0xFFFFFFFFu;

    // Everything opening does once the directory file is viewed: the
    // header and sections, the tree, the data files' slots, and the files
    // whose bytes cannot be read.
    bool Validate(const std::vector<SVPKMemoryFile> *lpMemoryFiles);
    EOpenRefusal ReadSections(uint64_t uiSize);
    EOpenRefusal ReadTree();
    void MarkOutside();
    void MarkOverlaps();
    void AddUpFolders();
    void PrepareDataFiles(const std::vector<SVPKMemoryFile> *lpMemoryFiles);
    bool Refuse(EOpenRefusal eRefusal);
    SDataFile *FindDataFile(uint16_t uiArchiveIndex) const;
    // The size of a data file: mapped, held in memory, or as it stands on disk.
    uint64_t DataFileSize(const SDataFile &DataFile) const;

    std::string sFileName;
    EOpenRefusal eLastRefusal = EOpenRefusal::None;
    bool bHasDataFiles = false;
    bool bInMemory = false;
    SVPKSections Sections;
    SVPKSummary Summary;
    std::vector<VPKArchiveMD5Entry> ArchiveMD5Entries;
    VPKOtherMD5Section OtherMD5{};
    std::vector<SItem> Items;
    std::vector<SFolder> Folders;
    std::vector<SVPKFileEntry> Files;
    std::string Names;  // every item's name, back to back
    std::vector<SVPKLeftOut> LeftOut;
    CVPKSource Directory;
    // Sorted by archive index; made at open, each mapped on first use.
    std::vector<std::unique_ptr<SDataFile>> DataFiles;
};

}  // namespace Larkspur
