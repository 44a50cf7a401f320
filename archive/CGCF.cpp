#include "CGCF.h"

#include "CDump.h"

#include <cstdint>
#include <cstring>
#include <string>

namespace Larkspur
{

namespace
{

const char *const MAP_FAILED_TEXT =
    "Failed to map GCF file to memory.\n\nMake sure the file is not already open and that Steam is not running.";
const char *const BAD_VERSION_TEXT =
    "Invalid GCF version number.\n\nYou have a version of a GCF file that Larkspur does not know how to read.  "
    "Check for product updates.";
const char *const TOO_LARGE_TEXT =
    "File too large.\n\nA GCF file is smaller than 4 GB; this file is 4 GB or larger.";
const char *const BLOCK_SIZE_ZERO_TEXT = "Corrupt file.\n\nThe block size is zero.";
const char *const DATA_AREA_TEXT = "Corrupt file.\n\nThe file map is not within file bounds.";
const char *const GCF_HEADER_TEXT = "Corrupt file.\n\nThe GCF Header is not within file bounds.";
const char *const BLOCK_ENTRY_HEADER_TEXT = "Corrupt file.\n\nThe Block Entry Header is not within file bounds.";
const char *const BLOCK_ENTRIES_TEXT = "Corrupt file.\n\nThe block entries are not within file bounds.";
const char *const FRAGMENTATION_MAP_HEADER_TEXT =
    "Corrupt file.\n\nThe Fragmentation Map Header is not within file bounds.";
const char *const FRAGMENTATION_MAP_TEXT = "Corrupt file.\n\nThe fragmentation map is not within file bounds.";
const char *const BLOCK_ENTRY_MAP_HEADER_TEXT =
    "Corrupt file.\n\nThe Block Entry Map Header is not within file bounds.";
const char *const DIRECTORY_HEADER_TEXT = "Corrupt file.\n\nThe Directory Header is not within file bounds.";
const char *const DIRECTORY_TEXT = "Corrupt file.\n\nThe directory is not within file bounds.";
const char *const NAME_TABLE_TEXT = "Corrupt file.\n\nThe name table is not within file bounds.";
const char *const DIRECTORY_MAP_HEADER_TEXT = "Corrupt file.\n\nThe Directory Map Header is not within file bounds.";
const char *const DIRECTORY_MAP_TEXT = "Corrupt file.\n\nThe directory map is not within file bounds.";
const char *const CHECKSUM_HEADER_TEXT = "Corrupt file.\n\nThe Checksum Header is not within file bounds.";
const char *const CHECKSUM_MAP_HEADER_TEXT = "Corrupt file.\n\nThe Checksum Map Header is not within file bounds.";
const char *const DATA_BLOCK_HEADER_TEXT = "Corrupt file.\n\nThe Data Block Header is not within file bounds.";

// Every position is 32-bit, so no GCF file reaches 4 GiB.
constexpr uint64_t MAX_FILE_SIZE = 0xFFFFFFFFull;

char *CopyString(const char *szText)
{
    const size_t uiLength = std::strlen(szText);
    char *szCopy = new char[uiLength + 1];
    std::memcpy(szCopy, szText, uiLength + 1);
    return szCopy;
}

template <class T>
const T *ViewAt(const uint8_t *lpBase, uint64_t uiOffset)
{
    // The structures are byte arrays (alignment 1), so any offset is a valid view.
    return reinterpret_cast<const T *>(lpBase + uiOffset);
}

// Sets the reader's positions in file order, each only where its structure
// lies inside the file, and returns the first reason to refuse the file (null
// when every structure and the data area are inside). Offsets are 64-bit: no
// sum of 32-bit counts and sizes can wrap back into the file. A header that
// lies outside ends the walk, since the positions after it depend on counts
// it would hold; those positions stay null.
const char *LocateStructures(CGCF &GCF, uint64_t uiSize, const char *szRefusal)
{
    const auto Inside = [uiSize](uint64_t uiOffset, uint64_t uiLength)
    { return uiOffset <= uiSize && uiLength <= uiSize - uiOffset; };
    const auto Refuse = [&szRefusal](const char *szReason)
    {
        if (szRefusal == nullptr)
            szRefusal = szReason;
    };
    const auto Stop = [&szRefusal](const char *szReason) { return szRefusal != nullptr ? szRefusal : szReason; };
    const uint8_t *lpBase = GCF.lpBase;
    const uint32_t uiVersion = GCF.lpHeader->uiVersion;

    uint64_t uiOffset = sizeof(GCFHeader);
    if (!Inside(uiOffset, sizeof(GCFBlockEntryHeader)))
        return Stop(BLOCK_ENTRY_HEADER_TEXT);
    GCF.lpBlockEntryHeader = ViewAt<GCFBlockEntryHeader>(lpBase, uiOffset);
    const uint64_t uiEntryCount = GCF.lpBlockEntryHeader->uiEntryCount;
    uiOffset += sizeof(GCFBlockEntryHeader);
    if (Inside(uiOffset, uiEntryCount * sizeof(GCFBlockEntry)))
        GCF.lpBlockEntries = ViewAt<GCFBlockEntry>(lpBase, uiOffset);
    else
        Refuse(BLOCK_ENTRIES_TEXT);
    uiOffset += uiEntryCount * sizeof(GCFBlockEntry);

    if (!Inside(uiOffset, sizeof(GCFFragmentationMapHeader)))
        return Stop(FRAGMENTATION_MAP_HEADER_TEXT);
    GCF.lpFragmentationMapHeader = ViewAt<GCFFragmentationMapHeader>(lpBase, uiOffset);
    const uint64_t uiLinkCount = GCF.lpFragmentationMapHeader->uiLinkCount;
    uiOffset += sizeof(GCFFragmentationMapHeader);
    if (Inside(uiOffset, uiLinkCount * sizeof(GCFFragmentationMap)))
        GCF.lpFragmentationMap = ViewAt<GCFFragmentationMap>(lpBase, uiOffset);
    else
        Refuse(FRAGMENTATION_MAP_TEXT);
    uiOffset += uiLinkCount * sizeof(GCFFragmentationMap);

    // Version 6 dropped the block entry map.
    if (uiVersion != 6)
    {
        if (!Inside(uiOffset, sizeof(GCFBlockEntryMapHeader)))
            return Stop(BLOCK_ENTRY_MAP_HEADER_TEXT);
        GCF.lpBlockEntryMapHeader = ViewAt<GCFBlockEntryMapHeader>(lpBase, uiOffset);
        const uint64_t uiMapCount = GCF.lpBlockEntryMapHeader->uiMapCount;
        uiOffset += sizeof(GCFBlockEntryMapHeader);
        // Never read, so only its start needs to be inside; the Directory
        // Header after it is tested anyway.
        if (uiOffset <= uiSize)
            GCF.lpBlockEntryMap = ViewAt<GCFBlockEntryMap>(lpBase, uiOffset);
        uiOffset += uiMapCount * sizeof(GCFBlockEntryMap);
    }

    const uint64_t uiDirectory = uiOffset;
    if (!Inside(uiDirectory, sizeof(GCFDirectoryHeader)))
        return Stop(DIRECTORY_HEADER_TEXT);
    GCF.lpDirectoryHeader = ViewAt<GCFDirectoryHeader>(lpBase, uiDirectory);
    const GCFDirectoryHeader &Directory = *GCF.lpDirectoryHeader;
    const uint64_t uiItemCount = Directory.uiItemCount;
    uiOffset = uiDirectory + sizeof(GCFDirectoryHeader);
    if (Inside(uiOffset, uiItemCount * sizeof(GCFDirectoryEntry)))
        GCF.lpDirectoryEntries = ViewAt<GCFDirectoryEntry>(lpBase, uiOffset);
    else
        Refuse(DIRECTORY_TEXT);
    uiOffset += uiItemCount * sizeof(GCFDirectoryEntry);
    const uint64_t uiNameTableSize = Directory.uiNameTableSize;
    if (Inside(uiOffset, uiNameTableSize))
        GCF.lpNameTable = lpBase + uiOffset;
    else
        Refuse(NAME_TABLE_TEXT);
    uiOffset += uiNameTableSize;

    // The side tables are located only; a start past the end stays null.
    const auto SideTable = [&](uint64_t uiStart) { return uiStart <= uiSize ? lpBase + uiStart : nullptr; };
    GCF.lpSideTableA = SideTable(uiOffset);
    uiOffset += 4ull * Directory.uiSideACount;
    GCF.lpSideTableB = SideTable(uiOffset);
    uiOffset += 4ull * uiItemCount;
    GCF.lpSideTableC = SideTable(uiOffset);
    uiOffset += 4ull * Directory.uiSideCCount;
    GCF.lpSideTableD = SideTable(uiOffset);

    // Version 3 has no Directory Map Header: its map starts right there.
    uiOffset = uiDirectory + Directory.uiDirectorySize;
    if (uiVersion != 3)
    {
        if (!Inside(uiOffset, sizeof(GCFDirectoryMapHeader)))
            return Stop(DIRECTORY_MAP_HEADER_TEXT);
        GCF.lpDirectoryMapHeader = ViewAt<GCFDirectoryMapHeader>(lpBase, uiOffset);
        uiOffset += sizeof(GCFDirectoryMapHeader);
    }
    if (!Inside(uiOffset, uiItemCount * sizeof(GCFDirectoryMap)))
        return Stop(DIRECTORY_MAP_TEXT);
    GCF.lpDirectoryMap = ViewAt<GCFDirectoryMap>(lpBase, uiOffset);
    uiOffset += uiItemCount * sizeof(GCFDirectoryMap);

    if (!Inside(uiOffset, sizeof(GCFChecksumHeader)))
        return Stop(CHECKSUM_HEADER_TEXT);
    GCF.lpChecksumHeader = ViewAt<GCFChecksumHeader>(lpBase, uiOffset);
    const uint64_t uiChecksumSize = GCF.lpChecksumHeader->uiChecksumSize;
    uiOffset += sizeof(GCFChecksumHeader);

    const uint64_t uiChecksumMapHeader = uiOffset;
    if (!Inside(uiChecksumMapHeader, sizeof(GCFChecksumMapHeader)))
        return Stop(CHECKSUM_MAP_HEADER_TEXT);
    GCF.lpChecksumMapHeader = ViewAt<GCFChecksumMapHeader>(lpBase, uiChecksumMapHeader);
    uiOffset += sizeof(GCFChecksumMapHeader);
    if (uiOffset <= uiSize)
        GCF.lpChecksumMap = ViewAt<GCFChecksumMap>(lpBase, uiOffset);
    uiOffset += GCF.lpChecksumMapHeader->uiChecksumMapCount * uint64_t{sizeof(GCFChecksumMap)};
    if (uiOffset <= uiSize)
        GCF.lpChecksumEntries = lpBase + uiOffset;

    // Version 3 files place the header's fields 4 bytes earlier than the later
    // versions do; reading from 4 bytes back puts them at the same offsets.
    uiOffset = uiChecksumMapHeader + uiChecksumSize - (uiVersion == 3 ? 4 : 0);
    if (!Inside(uiOffset, sizeof(GCFDataBlockHeader)))
        return Stop(DATA_BLOCK_HEADER_TEXT);
    GCF.lpDataBlockHeader = ViewAt<GCFDataBlockHeader>(lpBase, uiOffset);

    const GCFDataBlockHeader &Data = *GCF.lpDataBlockHeader;
    const uint64_t uiDataStart = Data.uiDataStart;
    // At most (2^32 - 1)^2 + 2^32 - 1: no 64-bit wrap either.
    const uint64_t uiDataEnd = uiDataStart + uint64_t{Data.uiTotalBlocks} * Data.uiDataBlockSize;
    if (uiDataStart <= uiSize)
        GCF.lpFirstDataBlock = lpBase + uiDataStart;
    if (uiDataEnd > uiSize)
        Refuse(DATA_AREA_TEXT);
    return szRefusal;
}

}  // namespace

CGCF::CGCF() : szFileName(CopyString("")) {}

CGCF::~CGCF()
{
    Close();
    delete[] szFileName;
}

bool CGCF::Open(const char *szFileName)
{
    // The path may be our own stored name, which Close empties: keep a copy.
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    szLastError = nullptr;
    Close();
    if (szFileName == nullptr || !MapFile(sPath.c_str()))
    {
        szLastError = MAP_FAILED_TEXT;
        Close();
        return false;
    }
    return Validate(sPath.c_str());
}

bool CGCF::OpenMemory(const void *lpData, size_t uiSize, const char *szFileName)
{
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    szLastError = nullptr;
    Close();
    // Empty bytes cannot be viewed, just as an empty file cannot be mapped.
    if (lpData == nullptr || uiSize == 0)
    {
        szLastError = MAP_FAILED_TEXT;
        Close();
        return false;
    }
    Mapping.Borrow(lpData, uiSize);
    lpView = Mapping.lpData;
    uiFileSize = static_cast<uint32_t>(Mapping.uiSize);
    return Validate(sPath.c_str());
}

bool CGCF::Validate(const char *szFileName)
{
    const uint64_t uiSize = Mapping.uiSize;
    // Refusals before the version is known write no dump: there is no header
    // worth showing.
    if (uiSize > MAX_FILE_SIZE)
    {
        szLastError = TOO_LARGE_TEXT;
        Close();
        return false;
    }
    if (uiSize < sizeof(GCFHeader))
    {
        szLastError = GCF_HEADER_TEXT;
        Close();
        return false;
    }

    lpBase = static_cast<const uint8_t *>(lpView);
    lpHeader = ViewAt<GCFHeader>(lpBase, 0);

    const uint32_t uiVersion = lpHeader->uiVersion;
    if (uiVersion != 3 && uiVersion != 5 && uiVersion != 6)
    {
        szLastError = BAD_VERSION_TEXT;
        Dump();
        Close();
        return false;
    }

    // A zero block size would make a copy step that never ends and a size on
    // disk that divides by zero.
    const char *szRefusal = lpHeader->uiBlockSize == 0 ? BLOCK_SIZE_ZERO_TEXT : nullptr;
    szRefusal = LocateStructures(*this, uiSize, szRefusal);
    if (szRefusal != nullptr)
    {
        szLastError = szRefusal;
        Dump();
        Close();
        return false;
    }

    SetFileName(szFileName);
    return true;
}

void CGCF::Close()
{
    SetFileName("");
    ClearPositions();
    if (lpView != nullptr)
        UnmapFile();
}

bool CGCF::Opened() const
{
    return lpView != nullptr;
}

void CGCF::ClearPositions()
{
    lpBase = nullptr;
    lpHeader = nullptr;
    lpBlockEntryHeader = nullptr;
    lpBlockEntries = nullptr;
    lpFragmentationMapHeader = nullptr;
    lpFragmentationMap = nullptr;
    lpBlockEntryMapHeader = nullptr;
    lpBlockEntryMap = nullptr;
    lpDirectoryHeader = nullptr;
    lpDirectoryEntries = nullptr;
    lpNameTable = nullptr;
    lpSideTableA = nullptr;
    lpSideTableB = nullptr;
    lpSideTableD = nullptr;
    lpSideTableC = nullptr;
    lpDirectoryMapHeader = nullptr;
    lpDirectoryMap = nullptr;
    lpChecksumHeader = nullptr;
    lpChecksumMapHeader = nullptr;
    lpChecksumMap = nullptr;
    lpChecksumEntries = nullptr;
    lpDataBlockHeader = nullptr;
    lpFirstDataBlock = nullptr;
}

bool CGCF::MapFile(const char *szFileName)
{
    if (lpView != nullptr)
        UnmapFile();
    if (!Mapping.Map(szFileName))
        return false;
    lpView = Mapping.lpData;
    uiFileSize = static_cast<uint32_t>(Mapping.uiSize);
    return true;
}

bool CGCF::UnmapFile()
{
    if (lpView == nullptr)
        return false;
    const bool bReleased = Mapping.Unmap();
    lpView = nullptr;
    return bReleased;
}

const char *CGCF::GetFileName() const
{
    return szFileName;
}

void CGCF::SetFileName(const char *szNewFileName)
{
    // Copy before freeing: the new name may be the stored one.
    char *szCopy = CopyString(szNewFileName != nullptr ? szNewFileName : "");
    delete[] szFileName;
    szFileName = szCopy;
}

const char *CGCF::GetLastError() const
{
    return szLastError;
}

void CGCF::Dump() const
{
    CDump File;
    if (!File.Open("dump.txt"))
        return;

    // A refused archive may hold positions near its end: a section that does
    // not lie wholly inside the file is written as null rather than read.
    const auto Section = [&](const char *szSectionName, const void *lpSection, uint32_t dwLength)
    {
        const uint8_t *lpData = nullptr;
        if (lpSection != nullptr && lpBase != nullptr)
        {
            const uintptr_t uiStart = reinterpret_cast<uintptr_t>(lpSection);
            const uintptr_t uiBase = reinterpret_cast<uintptr_t>(lpBase);
            if (uiStart >= uiBase && uiStart - uiBase <= Mapping.uiSize &&
                dwLength <= Mapping.uiSize - (uiStart - uiBase))
                lpData = static_cast<const uint8_t *>(lpSection);
        }
        File.Dump(szSectionName, lpData, dwLength);
    };
    Section("GCF Header", lpHeader, sizeof(GCFHeader));
    Section("Block Entry Header", lpBlockEntryHeader, sizeof(GCFBlockEntryHeader));
    Section("Fragmentation Map Header", lpFragmentationMapHeader, sizeof(GCFFragmentationMapHeader));
    Section("Block Entry Map Header", lpBlockEntryMapHeader, sizeof(GCFBlockEntryMapHeader));
    Section("Directory Header", lpDirectoryHeader, sizeof(GCFDirectoryHeader));
    Section("Directory Map Header", lpDirectoryMapHeader, sizeof(GCFDirectoryMapHeader));
    Section("Checksum Header", lpChecksumHeader, sizeof(GCFChecksumHeader));
    Section("Checksum Map Header", lpChecksumMapHeader, sizeof(GCFChecksumMapHeader));
    Section("Data Block Header", lpDataBlockHeader, sizeof(GCFDataBlockHeader));
    File.Close();
}

}  // namespace Larkspur
