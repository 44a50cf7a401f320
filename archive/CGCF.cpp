// SPDX-License-Identifier: MIT
#include "CGCF.h"

#include "CDump.h"
#include "CGuardedRead.h"

#include <cstdint>
#include <new>
#include <string>

namespace Larkspur
{

namespace
{

// Every position is 32-bit, so no GCF file reaches 4 GiB.
constexpr uint64_t MAX_FILE_SIZE = 0xFFFFFFFFull;

template <class T>
const T *ViewAt(const uint8_t *lpBase, uint64_t uiOffset)
{
    // The structures are byte arrays (alignment 1), so any offset is a valid view.
    return reinterpret_cast<const T *>(lpBase + uiOffset);
}

// Sets the positions after the GCF Header in file order, each only where its
// structure lies inside the file, copies each header it reads into Copied,
// and returns the first reason to refuse the file (eRefusal when one was
// found before; None when every structure and the data area are inside).
// Offsets are 64-bit: no sum of 32-bit counts and sizes can wrap back into
// the file. A header that lies outside ends the walk, since the positions
// after it depend on counts it would hold; those positions stay null. A
// header that cannot be read (the file was cut short meanwhile) ends it too.
EOpenRefusal LocateStructures(SGCFPositions &Located, SGCFHeaders &Copied, uint64_t uiSize, EOpenRefusal eRefusal)
{
    const auto Inside = [uiSize](uint64_t uiOffset, uint64_t uiLength)
    { return uiOffset <= uiSize && uiLength <= uiSize - uiOffset; };
    const auto Refuse = [&eRefusal](EOpenRefusal eReason)
    {
        if (eRefusal == EOpenRefusal::None)
            eRefusal = eReason;
    };
    const auto Stop = [&eRefusal](EOpenRefusal eReason) { return eRefusal != EOpenRefusal::None ? eRefusal : eReason; };
    const uint8_t *lpBase = Located.lpBase;
    const uint32_t uiVersion = Copied.Header.uiVersion;

    uint64_t uiOffset = sizeof(GCFHeader);
    if (!Inside(uiOffset, sizeof(GCFBlockEntryHeader)))
        return Stop(EOpenRefusal::BlockEntryHeaderOutside);
    Located.lpBlockEntryHeader = ViewAt<GCFBlockEntryHeader>(lpBase, uiOffset);
    if (!GuardedRead(Located.lpBlockEntryHeader, Copied.BlockEntryHeader))
        return EOpenRefusal::CutShort;
    const uint64_t uiEntryCount = Copied.BlockEntryHeader.uiEntryCount;
    uiOffset += sizeof(GCFBlockEntryHeader);
    if (Inside(uiOffset, uiEntryCount * sizeof(GCFBlockEntry)))
        Located.lpBlockEntries = ViewAt<GCFBlockEntry>(lpBase, uiOffset);
    else
        Refuse(EOpenRefusal::BlockEntriesOutside);
    uiOffset += uiEntryCount * sizeof(GCFBlockEntry);

    if (!Inside(uiOffset, sizeof(GCFFragmentationMapHeader)))
        return Stop(EOpenRefusal::FragmentationMapHeaderOutside);
    Located.lpFragmentationMapHeader = ViewAt<GCFFragmentationMapHeader>(lpBase, uiOffset);
    if (!GuardedRead(Located.lpFragmentationMapHeader, Copied.FragmentationMapHeader))
        return EOpenRefusal::CutShort;
    const uint64_t uiLinkCount = Copied.FragmentationMapHeader.uiLinkCount;
    uiOffset += sizeof(GCFFragmentationMapHeader);
    if (Inside(uiOffset, uiLinkCount * sizeof(GCFFragmentationMap)))
        Located.lpFragmentationMap = ViewAt<GCFFragmentationMap>(lpBase, uiOffset);
    else
        Refuse(EOpenRefusal::FragmentationMapOutside);
    uiOffset += uiLinkCount * sizeof(GCFFragmentationMap);

    // Version 6 dropped the block entry map.
    if (uiVersion != 6)
    {
        if (!Inside(uiOffset, sizeof(GCFBlockEntryMapHeader)))
            return Stop(EOpenRefusal::BlockEntryMapHeaderOutside);
        Located.lpBlockEntryMapHeader = ViewAt<GCFBlockEntryMapHeader>(lpBase, uiOffset);
        GCFBlockEntryMapHeader BlockEntryMapHeader;
        if (!GuardedRead(Located.lpBlockEntryMapHeader, BlockEntryMapHeader))
            return EOpenRefusal::CutShort;
        const uint64_t uiMapCount = BlockEntryMapHeader.uiMapCount;
        uiOffset += sizeof(GCFBlockEntryMapHeader);
        // Never read, so only its start needs to be inside; the Directory
        // Header after it is tested anyway.
        if (uiOffset <= uiSize)
            Located.lpBlockEntryMap = ViewAt<GCFBlockEntryMap>(lpBase, uiOffset);
        uiOffset += uiMapCount * sizeof(GCFBlockEntryMap);
    }

    const uint64_t uiDirectory = uiOffset;
    if (!Inside(uiDirectory, sizeof(GCFDirectoryHeader)))
        return Stop(EOpenRefusal::DirectoryHeaderOutside);
    Located.lpDirectoryHeader = ViewAt<GCFDirectoryHeader>(lpBase, uiDirectory);
    if (!GuardedRead(Located.lpDirectoryHeader, Copied.DirectoryHeader))
        return EOpenRefusal::CutShort;
    const GCFDirectoryHeader &Directory = Copied.DirectoryHeader;
    const uint64_t uiItemCount = Directory.uiItemCount;
    uiOffset = uiDirectory + sizeof(GCFDirectoryHeader);
    if (Inside(uiOffset, uiItemCount * sizeof(GCFDirectoryEntry)))
        Located.lpDirectoryEntries = ViewAt<GCFDirectoryEntry>(lpBase, uiOffset);
    else
        Refuse(EOpenRefusal::DirectoryOutside);
    uiOffset += uiItemCount * sizeof(GCFDirectoryEntry);
    const uint64_t uiNameTableSize = Directory.uiNameTableSize;
    if (Inside(uiOffset, uiNameTableSize))
        Located.lpNameTable = lpBase + uiOffset;
    else
        Refuse(EOpenRefusal::NameTableOutside);
    uiOffset += uiNameTableSize;

    // The side tables are located only; a start past the end stays null.
    const auto SideTable = [&](uint64_t uiStart) { return uiStart <= uiSize ? lpBase + uiStart : nullptr; };
    Located.lpSideTableA = SideTable(uiOffset);
    uiOffset += 4ull * Directory.uiSideACount;
    Located.lpSideTableB = SideTable(uiOffset);
    uiOffset += 4ull * uiItemCount;
    Located.lpSideTableC = SideTable(uiOffset);
    uiOffset += 4ull * Directory.uiSideCCount;
    Located.lpSideTableD = SideTable(uiOffset);

    // Version 3 has no Directory Map Header: its map starts right there.
    uiOffset = uiDirectory + Directory.uiDirectorySize;
    if (uiVersion != 3)
    {
        if (!Inside(uiOffset, sizeof(GCFDirectoryMapHeader)))
            return Stop(EOpenRefusal::DirectoryMapHeaderOutside);
        Located.lpDirectoryMapHeader = ViewAt<GCFDirectoryMapHeader>(lpBase, uiOffset);
        uiOffset += sizeof(GCFDirectoryMapHeader);
    }
    if (!Inside(uiOffset, uiItemCount * sizeof(GCFDirectoryMap)))
        return Stop(EOpenRefusal::DirectoryMapOutside);
    Located.lpDirectoryMap = ViewAt<GCFDirectoryMap>(lpBase, uiOffset);
    uiOffset += uiItemCount * sizeof(GCFDirectoryMap);

    if (!Inside(uiOffset, sizeof(GCFChecksumHeader)))
        return Stop(EOpenRefusal::ChecksumHeaderOutside);
    Located.lpChecksumHeader = ViewAt<GCFChecksumHeader>(lpBase, uiOffset);
    GCFChecksumHeader ChecksumHeader;
    if (!GuardedRead(Located.lpChecksumHeader, ChecksumHeader))
        return EOpenRefusal::CutShort;
    const uint64_t uiChecksumSize = ChecksumHeader.uiChecksumSize;
    uiOffset += sizeof(GCFChecksumHeader);

    const uint64_t uiChecksumMapHeader = uiOffset;
    if (!Inside(uiChecksumMapHeader, sizeof(GCFChecksumMapHeader)))
        return Stop(EOpenRefusal::ChecksumMapHeaderOutside);
    Located.lpChecksumMapHeader = ViewAt<GCFChecksumMapHeader>(lpBase, uiChecksumMapHeader);
    GCFChecksumMapHeader ChecksumMapHeader;
    if (!GuardedRead(Located.lpChecksumMapHeader, ChecksumMapHeader))
        return EOpenRefusal::CutShort;
    uiOffset += sizeof(GCFChecksumMapHeader);
    if (uiOffset <= uiSize)
        Located.lpChecksumMap = ViewAt<GCFChecksumMap>(lpBase, uiOffset);
    uiOffset += ChecksumMapHeader.uiChecksumMapCount * uint64_t{sizeof(GCFChecksumMap)};
    if (uiOffset <= uiSize)
        Located.lpChecksumEntries = lpBase + uiOffset;

    // Version 3 files place the header's fields 4 bytes earlier than the later
    // versions do; reading from 4 bytes back puts them at the same offsets.
    uiOffset = uiChecksumMapHeader + uiChecksumSize - (uiVersion == 3 ? 4 : 0);
    if (!Inside(uiOffset, sizeof(GCFDataBlockHeader)))
        return Stop(EOpenRefusal::DataBlockHeaderOutside);
    Located.lpDataBlockHeader = ViewAt<GCFDataBlockHeader>(lpBase, uiOffset);
    if (!GuardedRead(Located.lpDataBlockHeader, Copied.DataBlockHeader))
        return EOpenRefusal::CutShort;

    const GCFDataBlockHeader &Data = Copied.DataBlockHeader;
    const uint64_t uiDataStart = Data.uiDataStart;
    // At most (2^32 - 1)^2 + 2^32 - 1: no 64-bit wrap either.
    const uint64_t uiDataEnd = uiDataStart + uint64_t{Data.uiTotalBlocks} * Data.uiDataBlockSize;
    if (uiDataStart <= uiSize)
        Located.lpFirstDataBlock = lpBase + uiDataStart;
    if (uiDataEnd > uiSize)
        Refuse(EOpenRefusal::DataAreaOutside);
    return eRefusal;
}

}  // namespace

const char *OpenRefusalText(EOpenRefusal eRefusal)
{
    switch (eRefusal)
    {
    case EOpenRefusal::None:
        return nullptr;
    case EOpenRefusal::MapFailed:
        return "Failed to map GCF file to memory.\n\nMake sure the file is not already open and that Steam is not "
               "running.";
    case EOpenRefusal::TooLarge:
        return "File too large.\n\nA GCF file is smaller than 4 GB; this file is 4 GB or larger.";
    case EOpenRefusal::GCFHeaderOutside:
        return "Corrupt file.\n\nThe GCF Header is not within file bounds.";
    case EOpenRefusal::BadVersion:
        return "Invalid GCF version number.\n\nYou have a version of a GCF file that Larkspur does not know how to "
               "read.  Check for product updates.";
    case EOpenRefusal::BlockSizeZero:
        return "Corrupt file.\n\nThe block size is zero.";
    case EOpenRefusal::BlockEntryHeaderOutside:
        return "Corrupt file.\n\nThe Block Entry Header is not within file bounds.";
    case EOpenRefusal::BlockEntriesOutside:
        return "Corrupt file.\n\nThe block entries are not within file bounds.";
    case EOpenRefusal::FragmentationMapHeaderOutside:
        return "Corrupt file.\n\nThe Fragmentation Map Header is not within file bounds.";
    case EOpenRefusal::FragmentationMapOutside:
        return "Corrupt file.\n\nThe fragmentation map is not within file bounds.";
    case EOpenRefusal::BlockEntryMapHeaderOutside:
        return "Corrupt file.\n\nThe Block Entry Map Header is not within file bounds.";
    case EOpenRefusal::DirectoryHeaderOutside:
        return "Corrupt file.\n\nThe Directory Header is not within file bounds.";
    case EOpenRefusal::DirectoryOutside:
        return "Corrupt file.\n\nThe directory is not within file bounds.";
    case EOpenRefusal::NameTableOutside:
        return "Corrupt file.\n\nThe name table is not within file bounds.";
    case EOpenRefusal::DirectoryMapHeaderOutside:
        return "Corrupt file.\n\nThe Directory Map Header is not within file bounds.";
    case EOpenRefusal::DirectoryMapOutside:
        return "Corrupt file.\n\nThe directory map is not within file bounds.";
    case EOpenRefusal::ChecksumHeaderOutside:
        return "Corrupt file.\n\nThe Checksum Header is not within file bounds.";
    case EOpenRefusal::ChecksumMapHeaderOutside:
        return "Corrupt file.\n\nThe Checksum Map Header is not within file bounds.";
    case EOpenRefusal::DataBlockHeaderOutside:
        return "Corrupt file.\n\nThe Data Block Header is not within file bounds.";
    case EOpenRefusal::DataAreaOutside:
        return "Corrupt file.\n\nThe file map is not within file bounds.";
    case EOpenRefusal::CutShort:
        return "Corrupt file.\n\nThe file was cut short while it was being opened.";
    }
    return nullptr;
}

CGCF::~CGCF()
{
    Close();
}

bool CGCF::Open(const char *szFileName)
{
    // The path may be our own stored name, which Close empties: keep a copy.
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    eLastRefusal = EOpenRefusal::None;
    Close();
    if (szFileName == nullptr || !MapFile(sPath.c_str()))
        return Refuse(EOpenRefusal::MapFailed, false);
    return Validate(sPath.c_str());
}

bool CGCF::OpenMemory(const void *lpData, size_t uiSize, const char *szFileName)
{
    const std::string sPath = szFileName != nullptr ? szFileName : "";
    eLastRefusal = EOpenRefusal::None;
    Close();
    // Empty bytes cannot be viewed, just as an empty file cannot be mapped.
    if (lpData == nullptr || uiSize == 0)
        return Refuse(EOpenRefusal::MapFailed, false);
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
        return Refuse(EOpenRefusal::TooLarge, false);
    if (uiSize < sizeof(GCFHeader))
        return Refuse(EOpenRefusal::GCFHeaderOutside, false);

    SGCFPositions Located;
    SGCFHeaders Copied;
    Located.lpBase = static_cast<const uint8_t *>(lpView);
    Located.lpHeader = ViewAt<GCFHeader>(Located.lpBase, 0);
    if (!GuardedRead(Located.lpHeader, Copied.Header))
        return Refuse(EOpenRefusal::CutShort, false);

    const uint32_t uiVersion = Copied.Header.uiVersion;
    if (uiVersion != 3 && uiVersion != 5 && uiVersion != 6)
    {
        Positions = Located;
        return Refuse(EOpenRefusal::BadVersion, true);
    }

    // A zero block size would make a copy step that never ends and a size on
    // disk that divides by zero.
    EOpenRefusal eRefusal = Copied.Header.uiBlockSize == 0 ? EOpenRefusal::BlockSizeZero : EOpenRefusal::None;
    eRefusal = LocateStructures(Located, Copied, uiSize, eRefusal);
    Positions = Located;
    Headers = Copied;
    if (eRefusal == EOpenRefusal::None)
        eRefusal = CopyDirectory();
    if (eRefusal != EOpenRefusal::None)
        return Refuse(eRefusal, eRefusal != EOpenRefusal::CutShort);

    sFileName = szFileName;
    return true;
}

EOpenRefusal CGCF::CopyDirectory()
{
    // Every table lies inside the file (the validation saw to it), so each
    // is at most as large as the file.
    const uint32_t uiItemCount = Headers.DirectoryHeader.uiItemCount;
    try
    {
        DirectoryEntries.resize(uiItemCount);
        NameTable.resize(Headers.DirectoryHeader.uiNameTableSize);
        DirectoryMap.resize(uiItemCount);
    }
    catch (const std::bad_alloc &)
    {
        return EOpenRefusal::MapFailed;
    }
    if (!GuardedCopy(DirectoryEntries.data(), Positions.lpDirectoryEntries, uiItemCount * sizeof(GCFDirectoryEntry)) ||
        !GuardedCopy(NameTable.data(), Positions.lpNameTable, NameTable.size()) ||
        !GuardedCopy(DirectoryMap.data(), Positions.lpDirectoryMap, uiItemCount * sizeof(GCFDirectoryMap)))
        return EOpenRefusal::CutShort;
    // Every query answers from the copy: the mapped pages it came from need
    // not stay in this process's memory beside it (a million items' directory
    // is some 50 MB).
    Mapping.Release(Positions.lpDirectoryEntries, uiItemCount * sizeof(GCFDirectoryEntry));
    Mapping.Release(Positions.lpNameTable, NameTable.size());
    Mapping.Release(Positions.lpDirectoryMap, uiItemCount * sizeof(GCFDirectoryMap));
    return EOpenRefusal::None;
}

bool CGCF::Refuse(EOpenRefusal eRefusal, bool bDump)
{
    eLastRefusal = eRefusal;
    if (bDump && bDumpOnRefusal)
        Dump();
    Close();
    return false;
}

void CGCF::Close()
{
    sFileName.clear();
    Positions = SGCFPositions();
    Headers = SGCFHeaders();
    // Given back at once: a large directory's copy should not outlive it.
    std::vector<GCFDirectoryEntry>().swap(DirectoryEntries);
    std::vector<uint8_t>().swap(NameTable);
    std::vector<GCFDirectoryMap>().swap(DirectoryMap);
    if (lpView != nullptr)
        UnmapFile();
}

bool CGCF::Opened() const
{
    return lpView != nullptr;
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

const char *CGCF::GetLastError() const
{
    return OpenRefusalText(eLastRefusal);
}

std::string CGCF::GetDumpPath() const
{
    if (sDumpFolder.empty())
        return "dump.txt";
    return sDumpFolder + (sDumpFolder.back() == '/' ? "" : "/") + "dump.txt";
}

bool CGCF::Dump() const
{
    CDump File;
    if (!File.Open(GetDumpPath().c_str()))
        return false;

    // A refused archive may hold positions near its end: a section that does
    // not lie wholly inside the file is written as null rather than read. So
    // is one that can no longer be read because the file was cut short.
    const auto Section = [&](const char *szSectionName, const void *lpSection, uint32_t dwLength)
    {
        uint8_t Bytes[64];
        const uint8_t *lpData = nullptr;
        if (lpSection != nullptr && Positions.lpBase != nullptr && dwLength <= sizeof Bytes)
        {
            const uintptr_t uiStart = reinterpret_cast<uintptr_t>(lpSection);
            const uintptr_t uiBase = reinterpret_cast<uintptr_t>(Positions.lpBase);
            if (uiStart >= uiBase && uiStart - uiBase <= Mapping.uiSize &&
                dwLength <= Mapping.uiSize - (uiStart - uiBase) && GuardedCopy(Bytes, lpSection, dwLength))
                lpData = Bytes;
        }
        File.Dump(szSectionName, lpData, dwLength);
    };
    Section("GCF Header", Positions.lpHeader, sizeof(GCFHeader));
    Section("Block Entry Header", Positions.lpBlockEntryHeader, sizeof(GCFBlockEntryHeader));
    Section("Fragmentation Map Header", Positions.lpFragmentationMapHeader, sizeof(GCFFragmentationMapHeader));
    Section("Block Entry Map Header", Positions.lpBlockEntryMapHeader, sizeof(GCFBlockEntryMapHeader));
    Section("Directory Header", Positions.lpDirectoryHeader, sizeof(GCFDirectoryHeader));
    Section("Directory Map Header", Positions.lpDirectoryMapHeader, sizeof(GCFDirectoryMapHeader));
    Section("Checksum Header", Positions.lpChecksumHeader, sizeof(GCFChecksumHeader));
    Section("Checksum Map Header", Positions.lpChecksumMapHeader, sizeof(GCFChecksumMapHeader));
    Section("Data Block Header", Positions.lpDataBlockHeader, sizeof(GCFDataBlockHeader));
    return File.Close();
}

}  // namespace Larkspur
