// SPDX-License-Identifier: MIT
#include "CGCF.h"

#include <cstdint>
#include <new>
#include <string>

namespace Larkspur
{

namespace
{

// Every position is 32-bit, so no GCF file reaches 4 GiB.
constexpr uint64_t MAX_FILE_SIZE = 0xFFFFFFFFull;

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
    Source.Borrow(lpData, uiSize);
    uiFileSize = static_cast<uint32_t>(Source.GetSize());
    return Validate(sPath.c_str());
}

bool CGCF::Validate(const char *szFileName)
{
    const uint64_t uiSize = Source.GetSize();
    // Refusals before the version is known write no dump: there is no header
    // worth showing.
    if (uiSize > MAX_FILE_SIZE)
        return Refuse(EOpenRefusal::TooLarge, false);
    if (!Source.ReadAt(0, Headers.Header))
        return Refuse(uiSize < sizeof(GCFHeader) ? EOpenRefusal::GCFHeaderOutside : EOpenRefusal::CutShort, false);
    Offsets[static_cast<size_t>(EGCFStructure::Header)] = 0;

    const uint32_t uiVersion = Headers.Header.uiVersion;
    if (uiVersion != 3 && uiVersion != 5 && uiVersion != 6)
        return Refuse(EOpenRefusal::BadVersion, true);

    // A zero block size would make a copy step that never ends and a size on
    // disk that divides by zero.
    EOpenRefusal eRefusal = Headers.Header.uiBlockSize == 0 ? EOpenRefusal::BlockSizeZero : EOpenRefusal::None;
    eRefusal = LocateStructures(eRefusal);
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
    const struct
    {
        EGCFStructure eStructure;
        void *lpCopy;
        uint64_t uiBytes;
    } Tables[] = {
        {EGCFStructure::DirectoryEntries, DirectoryEntries.data(), uiItemCount * uint64_t{sizeof(GCFDirectoryEntry)}},
        {EGCFStructure::NameTable, NameTable.data(), NameTable.size()},
        {EGCFStructure::DirectoryMap, DirectoryMap.data(), uiItemCount * uint64_t{sizeof(GCFDirectoryMap)}},
    };
    for (const auto &Table : Tables)
        if (!Source.ReadBytes(OffsetOf(Table.eStructure), Table.lpCopy, Table.uiBytes))
            return EOpenRefusal::CutShort;
    // Every query answers from the copy: the mapped pages it came from need
    // not stay in this process's memory beside it (a million items' directory
    // is some 50 MB).
    for (const auto &Table : Tables)
        Source.Release(OffsetOf(Table.eStructure), Table.uiBytes);
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
    Offsets = NoOffsets();
    Headers = SGCFHeaders();
    // Given back at once: a large directory's copy should not outlive it.
    std::vector<GCFDirectoryEntry>().swap(DirectoryEntries);
    std::vector<uint8_t>().swap(NameTable);
    std::vector<GCFDirectoryMap>().swap(DirectoryMap);
    if (Opened())
        UnmapFile();
}

bool CGCF::Opened() const
{
    return Source.IsMapped();
}

bool CGCF::MapFile(const char *szFileName)
{
    if (Opened())
        UnmapFile();
    if (!Source.Map(szFileName))
        return false;
    uiFileSize = static_cast<uint32_t>(Source.GetSize());
    return true;
}

bool CGCF::UnmapFile()
{
    if (!Opened())
        return false;
    return Source.Unmap();
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

}  // namespace Larkspur
