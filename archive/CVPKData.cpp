// SPDX-License-Identifier: MIT
// The files of a VPK set as sources of data: the directory file, and the
// data files, each mapped the first time something asks for it (from any
// thread: std::call_once per data file); and the description of a file's
// data as runs over them.

#include "CItemData.h"
#include "CVPKItemData.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace Larkspur
{

std::string CVPK::GetDataFilePath(uint16_t uiArchiveIndex) const
{
    if (!bHasDataFiles)
        return "";
    char cNumber[16];
    std::snprintf(cNumber, sizeof cNumber, "_%03u.vpk", static_cast<unsigned>(uiArchiveIndex));
    return sFileName.substr(0, sFileName.size() - std::string_view("_dir.vpk").size()) + cNumber;
}

// Makes a slot for every data file that an entry or an archive MD5 record
// names, so that the table never changes while the archive is open and
// threads can look it up without a lock.
void CVPK::PrepareDataFiles(const std::vector<SVPKMemoryFile> *lpMemoryFiles)
{
    if (!bHasDataFiles)
        return;
    std::vector<bool> Named(0x10000, false);
    for (const SVPKFileEntry &File : Files)
        Named[File.uiArchiveIndex] = true;
    for (const VPKArchiveMD5Entry &Record : ArchiveMD5Entries)
        if (Record.uiArchiveIndex < Named.size())
            Named[Record.uiArchiveIndex] = true;
    for (uint32_t uiNamed = 0; uiNamed < Named.size(); uiNamed++)
    {
        const auto uiIndex = static_cast<uint16_t>(uiNamed);
        if (!Named[uiNamed] || uiIndex == VPK_DIRECTORY_FILE_INDEX)
            continue;
        auto DataFile = std::make_unique<SDataFile>();
        DataFile->uiArchiveIndex = uiIndex;
        DataFile->Source.sPath = GetDataFilePath(uiIndex);
        DataFile->Source.uiArchiveIndex = uiIndex;
        if (lpMemoryFiles != nullptr)
            for (const SVPKMemoryFile &Memory : *lpMemoryFiles)
                if (Memory.uiArchiveIndex == uiIndex)
                {
                    DataFile->lpMemory = Memory.lpData;
                    DataFile->uiMemorySize = Memory.uiSize;
                }
        DataFiles.push_back(std::move(DataFile));
    }
}

CVPK::SDataFile *CVPK::FindDataFile(uint16_t uiArchiveIndex) const
{
    const auto Slot = std::lower_bound(DataFiles.begin(), DataFiles.end(), uiArchiveIndex,
                                       [](const std::unique_ptr<SDataFile> &DataFile, uint16_t uiIndex)
                                       { return DataFile->uiArchiveIndex < uiIndex; });
    return Slot != DataFiles.end() && (*Slot)->uiArchiveIndex == uiArchiveIndex ? Slot->get() : nullptr;
}

const CVPKSource *CVPK::GetSource(uint16_t uiArchiveIndex) const
{
    if (!Opened())
        return nullptr;
    if (uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX)
        return &Directory;
    SDataFile *lpDataFile = FindDataFile(uiArchiveIndex);
    if (lpDataFile == nullptr)
        return nullptr;
    SDataFile &DataFile = *lpDataFile;
    const bool bInMemoryFile = bInMemory;
    std::call_once(DataFile.Mapped,
                   [&DataFile, bInMemoryFile]
                   {
                       // An empty data file cannot be mapped: it holds nothing to read.
                       if (!bInMemoryFile)
                           DataFile.bPresent = DataFile.Source.Map(DataFile.Source.sPath.c_str());
                       else if (DataFile.lpMemory != nullptr && DataFile.uiMemorySize > 0)
                       {
                           DataFile.Source.Borrow(DataFile.lpMemory, DataFile.uiMemorySize);
                           DataFile.bPresent = true;
                       }
                   });
    return DataFile.bPresent ? &DataFile.Source : nullptr;
}

EVPKDamage CVPKItemData::DescribeItem(const CVPK &VPK, uint32_t uiDirectoryIndex)
{
    Runs.clear();
    uiSize = 0;
    const SVPKFileEntry *lpFile = VPK.GetFileEntry(uiDirectoryIndex);
    if (lpFile == nullptr)
        return eResult = EVPKDamage::NotAFile;
    if (lpFile->uiPreloadBytes > 0)
    {
        Runs.push_back({0, lpFile->uiPreloadOffset, lpFile->uiPreloadBytes, VPK.GetSource(VPK_DIRECTORY_FILE_INDEX)});
        uiSize = lpFile->uiPreloadBytes;
    }
    if (lpFile->eDamage != EVPKDamage::None)
        return eResult = lpFile->eDamage;
    if (lpFile->uiEntryLength == 0)
        return eResult = EVPKDamage::None;
    const CVPKSource *lpSource = VPK.GetSource(lpFile->uiArchiveIndex);
    if (lpSource == nullptr)
        return eResult = EVPKDamage::MissingDataFile;
    // Data in the directory file counts from the end of the tree.
    const uint64_t uiBase =
        lpFile->uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX ? VPK.GetSections().uiFileDataOffset : 0;
    const uint64_t uiFileOffset = uiBase + lpFile->uiEntryOffset;
    if (uiFileOffset + lpFile->uiEntryLength > lpSource->GetSize())
        return eResult = EVPKDamage::OutsideDataFile;
    Runs.push_back({uiSize, uiFileOffset, lpFile->uiEntryLength, lpSource});
    uiSize += lpFile->uiEntryLength;
    return eResult = EVPKDamage::None;
}

namespace
{

std::string_view BaseName(std::string_view sPath)
{
    const size_t uiSlash = sPath.rfind('/');
    return uiSlash == std::string_view::npos ? sPath : sPath.substr(uiSlash + 1);
}

EDataWalk DataWalkOf(EVPKDamage eDamage)
{
    switch (eDamage)
    {
    case EVPKDamage::None: return EDataWalk::Complete;
    case EVPKDamage::MissingDataFile: return EDataWalk::MissingDataFile;
    case EVPKDamage::OutsideDataFile: return EDataWalk::OutsideDataFile;
    case EVPKDamage::Overlap: return EDataWalk::Overlap;
    default: return EDataWalk::NoData;  // not a file of the tree
    }
}

}  // namespace

// Marks each file whose bytes run past the end of its data file as it
// stands now (looked at, not mapped), before overlaps are sought: a damaged
// length must not claim bytes that later files in that data file hold. A
// data file that is not there (or empty, which cannot be mapped) is found
// missing when its files are read.
void CVPK::MarkOutside()
{
    std::vector<uint64_t> Sizes(0x10000, 0);
    for (const auto &DataFile : DataFiles)
        Sizes[DataFile->uiArchiveIndex] = DataFileSize(*DataFile);
    for (SVPKFileEntry &File : Files)
    {
        if (File.eDamage != EVPKDamage::None || File.uiEntryLength == 0 ||
            File.uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX)
            continue;
        const uint64_t uiSize = Sizes[File.uiArchiveIndex];
        if (uiSize > 0 && uint64_t{File.uiEntryOffset} + File.uiEntryLength > uiSize)
            File.eDamage = EVPKDamage::OutsideDataFile;
    }
}

EDataWalk CVPK::DescribeItemData(uint32_t uiDirectoryItemIndex, CItemData &Data, IDataClaims *) const
{
    CVPKItemData File;
    const EDataWalk eEnd = DataWalkOf(File.DescribeItem(*this, uiDirectoryItemIndex));
    Data.Assign(eEnd, File.GetRuns());
    return eEnd;
}

std::optional<uint32_t> CVPK::GetStoredCrc32(uint32_t uiDirectoryItemIndex) const
{
    const SVPKFileEntry *lpFile = GetFileEntry(uiDirectoryItemIndex);
    return lpFile != nullptr ? std::optional<uint32_t>(lpFile->uiCRC) : std::nullopt;
}

std::string CVPK::GetDataFileName(uint32_t uiDirectoryItemIndex) const
{
    const SVPKFileEntry *lpFile = GetFileEntry(uiDirectoryItemIndex);
    if (lpFile == nullptr || lpFile->uiEntryLength == 0 || lpFile->uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX)
        return "";
    return std::string(BaseName(GetDataFilePath(lpFile->uiArchiveIndex)));
}

std::vector<SRecordedMD5> CVPK::GetRecordedMD5s() const
{
    std::vector<SRecordedMD5> Sums;
    const VPKOtherMD5Section *lpOther = GetOtherMD5();
    const std::string sDirectoryName(BaseName(sFileName));
    const auto Add = [&Sums](std::string sWhat, std::string sFile, const CDataSource *lpSource, uint64_t uiOffset,
                             uint64_t uiLength, const uint8_t *lpMD5)
    {
        SRecordedMD5 &Sum = Sums.emplace_back();
        Sum.sWhat = std::move(sWhat);
        Sum.sFile = std::move(sFile);
        Sum.lpSource = lpSource;
        Sum.uiOffset = uiOffset;
        Sum.uiLength = uiLength;
        std::memcpy(Sum.MD5.data(), lpMD5, Sum.MD5.size());
    };
    if (lpOther != nullptr)
    {
        Add("tree", sDirectoryName, &Directory, Sections.uiHeaderSize, Sections.uiTreeSize, lpOther->TreeMD5);
        Add("archive MD5 section", sDirectoryName, &Directory, Sections.uiArchiveMD5Offset, Sections.uiArchiveMD5Size,
            lpOther->ArchiveMD5SectionMD5);
    }
    // Chunks are numbered within their data file, from 0, in record order:
    // with chunks of one size, chunk N starts N chunks into the file.
    std::vector<uint32_t> Numbers(0x10000, 0);
    for (const VPKArchiveMD5Entry &Record : ArchiveMD5Entries)
    {
        const uint32_t uiIndex = Record.uiArchiveIndex;
        const bool bDirectory = uiIndex == VPK_DIRECTORY_FILE_INDEX;
        std::string sFile = bDirectory ? sDirectoryName : std::string(BaseName(GetDataFilePath(uiIndex & 0xFFFF)));
        if (uiIndex > 0xFFFF || sFile.empty())
            sFile = "data file " + std::to_string(uiIndex);
        const CDataSource *lpSource = uiIndex <= 0xFFFF ? GetSource(static_cast<uint16_t>(uiIndex)) : nullptr;
        const uint32_t uiNumber = uiIndex <= 0xFFFF ? Numbers[uiIndex]++ : 0;
        // Data in the directory file counts from the end of the tree, as entries do.
        Add("chunk " + std::to_string(uiNumber) + " of " + sFile, sFile, lpSource,
            (bDirectory ? Sections.uiFileDataOffset : 0) + uint64_t{Record.uiStartingOffset}, Record.uiCount, Record.MD5);
    }
    return Sums;
}

uint64_t CVPK::DataFileSize(const SDataFile &DataFile) const
{
    if (DataFile.bPresent)
        return DataFile.Source.GetSize();
    if (bInMemory)
        return DataFile.lpMemory != nullptr ? DataFile.uiMemorySize : 0;
    struct stat Status;
    return ::stat(DataFile.Source.sPath.c_str(), &Status) == 0 && S_ISREG(Status.st_mode)
               ? static_cast<uint64_t>(Status.st_size)
               : 0;
}

SArchiveSummary CVPK::GetArchiveSummary() const
{
    SArchiveSummary Archive;
    Archive.eFormat = EArchiveFormat::VPK;
    if (!Opened())
        return Archive;
    Archive.uiVersion = Summary.uiVersion;
    Archive.sVersion = "VPK v" + std::to_string(Summary.uiVersion);
    Archive.uiSize = Directory.GetSize();
    for (const auto &DataFile : DataFiles)
        Archive.uiSize += DataFileSize(*DataFile);
    Archive.sCounts = std::to_string(Summary.uiFileCount);
    return Archive;
}

std::vector<const CDataSource *> CVPK::GetSources() const
{
    std::vector<const CDataSource *> Sources;
    if (!Opened())
        return Sources;
    Sources.push_back(&Directory);
    for (const auto &DataFile : DataFiles)
        if (const CVPKSource *lpSource = GetSource(DataFile->uiArchiveIndex))
            Sources.push_back(lpSource);
    return Sources;
}

bool CVPK::IsCutShort() const
{
    if (Directory.IsCutShort())
        return true;
    return std::any_of(DataFiles.begin(), DataFiles.end(),
                       [](const auto &DataFile) { return DataFile->bPresent && DataFile->Source.IsCutShort(); });
}

bool CVPK::IsArchiveFile(uint64_t uiDevice, uint64_t uiInode) const
{
    const auto Same = [&](const CDataSource &Source)
    { return Source.GetFileInode() != 0 && Source.GetFileDevice() == uiDevice && Source.GetFileInode() == uiInode; };
    if (Same(Directory))
        return true;
    for (const auto &DataFile : DataFiles)
    {
        // A data file not mapped yet is looked at where it will be mapped from.
        struct stat Status;
        if (DataFile->bPresent ? Same(DataFile->Source)
                               : !bInMemory && ::stat(DataFile->Source.sPath.c_str(), &Status) == 0 &&
                                     Status.st_dev == uiDevice && Status.st_ino == uiInode)
            return true;
    }
    return false;
}

}  // namespace Larkspur
