// SPDX-License-Identifier: MIT
#include "CGCF.h"

#include "CItemData.h"

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

SArchiveSummary CGCF::GetArchiveSummary() const
{
    SArchiveSummary Summary;
    Summary.eFormat = EArchiveFormat::GCF;
    if (!Opened())
        return Summary;
    Summary.uiVersion = Headers.Header.uiVersion;
    Summary.sVersion = "v" + std::to_string(Summary.uiVersion);
    Summary.uiSize = Headers.Header.uiRecordedSize;
    Summary.sCounts = std::to_string(Headers.DataBlockHeader.uiUsedBlocks) + "/" +
                      std::to_string(Headers.DataBlockHeader.uiTotalBlocks);
    return Summary;
}

bool CGCF::IsArchiveFile(uint64_t uiDevice, uint64_t uiInode) const
{
    // An archive in memory (0, 0) is no file at all.
    return Source.GetFileInode() != 0 && uiDevice == Source.GetFileDevice() && uiInode == Source.GetFileInode();
}

bool CGCF::HasData(uint32_t uiDirectoryItemIndex) const
{
    return IsValidDirectoryIndex(uiDirectoryItemIndex) && !IsFolder(uiDirectoryItemIndex) &&
           GetFirstEntry(uiDirectoryItemIndex) < Headers.BlockEntryHeader.uiEntryCount;
}

std::unique_ptr<IDataClaims> CGCF::MakeClaims() const
{
    return std::make_unique<CBlockClaims>(*this);
}

EDataWalk CGCF::DescribeItemData(uint32_t uiDirectoryItemIndex, CItemData &Data, IDataClaims *lpClaims) const
{
    // Claims made by another archive's MakeClaims count nothing here.
    return Data.DescribeItem(*this, uiDirectoryItemIndex, dynamic_cast<CBlockClaims *>(lpClaims));
}

std::string CGCF::GetDumpPath() const
{
    if (sDumpFolder.empty())
        return "dump.txt";
    return sDumpFolder + (sDumpFolder.back() == '/' ? "" : "/") + "dump.txt";
}

}  // namespace Larkspur
