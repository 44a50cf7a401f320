// SPDX-License-Identifier: MIT
// The files of a VPK set as sources of data: the directory file, and the
// data files, each mapped the first time something asks for it (from any
// thread: std::call_once per data file); and the description of a file's
// data as runs over them.

#include "CVPKItemData.h"

#include <algorithm>
#include <cstdio>

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

const CVPKSource *CVPK::GetSource(uint16_t uiArchiveIndex) const
{
    if (!Opened())
        return nullptr;
    if (uiArchiveIndex == VPK_DIRECTORY_FILE_INDEX)
        return &Directory;
    const auto Slot = std::lower_bound(DataFiles.begin(), DataFiles.end(), uiArchiveIndex,
                                       [](const std::unique_ptr<SDataFile> &DataFile, uint16_t uiIndex)
                                       { return DataFile->uiArchiveIndex < uiIndex; });
    if (Slot == DataFiles.end() || (*Slot)->uiArchiveIndex != uiArchiveIndex)
        return nullptr;
    SDataFile &DataFile = **Slot;
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

}  // namespace Larkspur
