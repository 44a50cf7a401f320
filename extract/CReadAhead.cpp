// SPDX-License-Identifier: MIT
#include "extract/CReadAhead.h"

#include "archive/CItemData.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>

namespace Larkspur
{

void CReadAhead::Start()
{
    bActive = false;
    Resident.clear();
    const uint8_t *lpBase = GCFFile.GetPositions().lpBase;
    const uint64_t uiSize = GCFFile.GetMappedSize();
    if (GCFFile.GetFileDescriptor() < 0 || lpBase == nullptr || uiSize == 0)
        return;
    uiPageSize = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    Resident.resize((uiSize + uiPageSize - 1) / uiPageSize);
    if (::mincore(const_cast<uint8_t *>(lpBase), uiSize, Resident.data()) != 0)
    {
        Resident.clear();
        return;
    }
    uint64_t uiResident = 0;
    for (const unsigned char cPage : Resident)
        uiResident += cPage & 1;
    // A few pages out of the cache are not worth a look at every folder.
    bActive = uiResident < Resident.size() - Resident.size() / 64;
    if (!bActive)
        Resident.clear();
}

void CReadAhead::Stop()
{
    bActive = false;
    Resident = {};
    Wanted = {};
}

bool CReadAhead::IsResident(uint64_t uiOffset, uint64_t uiLength) const
{
    for (uint64_t uiPage = uiOffset / uiPageSize; uiPage * uiPageSize < uiOffset + uiLength; ++uiPage)
        if (uiPage >= Resident.size() || !(Resident[uiPage] & 1))
            return false;
    return true;
}

void CReadAhead::Advise(uint64_t uiOffset, uint64_t uiLength)
{
    if (uiLength != 0)
        ::posix_fadvise(GCFFile.GetFileDescriptor(), static_cast<off_t>(uiOffset), static_cast<off_t>(uiLength),
                        POSIX_FADV_WILLNEED);
}

void CReadAhead::AdviseFiles(const std::vector<uint32_t> &Children)
{
    if (!bActive)
        return;
    CItemData Data;
    uint64_t uiBudget = READ_AHEAD_BYTES;
    Wanted.clear();
    for (const uint32_t uiChild : Children)
    {
        if (uiBudget == 0)
            break;
        if (GCFFile.IsFolder(uiChild) || Data.DescribeItem(GCFFile, uiChild) == EDataWalk::CutShort)
            continue;
        for (const SDataRun &Run : Data.GetRuns())
        {
            const uint64_t uiLength = std::min(Run.uiLength, uiBudget);
            uiBudget -= uiLength;
            if (!IsResident(Run.uiFileOffset, uiLength))
                Wanted.push_back({Run.uiFileOffset, uiLength});
        }
    }
    // In the file's order, with runs close to each other read as one: a
    // disk reads the gap between two blocks faster than it seeks over it.
    std::sort(Wanted.begin(), Wanted.end());
    size_t uiMerged = 0;
    for (size_t uiRun = 1; uiRun < Wanted.size(); ++uiRun)
    {
        auto &[uiStart, uiLength] = Wanted[uiMerged];
        if (Wanted[uiRun].first <= uiStart + uiLength + MERGE_GAP_BYTES)
            uiLength = std::max(uiLength, Wanted[uiRun].first + Wanted[uiRun].second - uiStart);
        else
            Wanted[++uiMerged] = Wanted[uiRun];
    }
    if (!Wanted.empty())
        Wanted.resize(uiMerged + 1);
    // Blocks strewn over the archive are left to the kernel's read-around
    // of each fault, which reads more than the block and so fetches blocks
    // of later files too; announcing each small stretch alone was slower.
    uint64_t uiBytes = 0;
    for (const auto &Range : Wanted)
        uiBytes += Range.second;
    if (Wanted.empty() || uiBytes / Wanted.size() < SMALLEST_STRETCH_BYTES)
        return;
    for (const auto &[uiOffset, uiLength] : Wanted)
        Advise(uiOffset, uiLength);
}

}  // namespace Larkspur
