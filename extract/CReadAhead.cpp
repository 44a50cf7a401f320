// SPDX-License-Identifier: MIT
#include "extract/CReadAhead.h"

#include "archive/CItemData.h"

#include <algorithm>
#include <functional>
#include <tuple>

namespace Larkspur
{

void CReadAhead::Start()
{
    ColdFiles.clear();
    std::vector<unsigned char> Resident;
    for (const CDataSource *lpSource : Archive.GetSources())
    {
        if (!lpSource->FindResidentPages(Resident, uiPageSize))
            continue;
        uint64_t uiResident = 0;
        for (const unsigned char cPage : Resident)
            uiResident += cPage & 1;
        // A few pages out of the cache are not worth a look at every folder.
        if (uiResident < Resident.size() - Resident.size() / 64)
            ColdFiles[lpSource] = std::move(Resident);
    }
    bActive = !ColdFiles.empty();
}

void CReadAhead::Stop()
{
    bActive = false;
    ColdFiles = {};
    Wanted = {};
}

bool CReadAhead::IsResident(const SDataRun &Run, uint64_t uiLength) const
{
    // A file that is not kept was found in the cache (or cannot be told).
    const auto File = ColdFiles.find(Run.lpSource);
    if (File == ColdFiles.end())
        return true;
    const std::vector<unsigned char> &Resident = File->second;
    const uint64_t uiOffset = Run.uiFileOffset;
    for (uint64_t uiPage = uiOffset / uiPageSize; uiPage * uiPageSize < uiOffset + uiLength; ++uiPage)
        if (uiPage >= Resident.size() || !(Resident[uiPage] & 1))
            return false;
    return true;
}

// In each source's order, with stretches close to each other read as one: a
// disk reads the gap between two blocks faster than it seeks over it.
void CReadAhead::MergeWanted()
{
    std::sort(Wanted.begin(), Wanted.end(),
              [](const SWanted &A, const SWanted &B)
              {
                  if (A.lpSource != B.lpSource)
                      return std::less<const CDataSource *>()(A.lpSource, B.lpSource);
                  return std::tie(A.uiOffset, A.uiLength) < std::tie(B.uiOffset, B.uiLength);
              });
    size_t uiMerged = 0;
    for (size_t uiRun = 1; uiRun < Wanted.size(); ++uiRun)
    {
        SWanted &Last = Wanted[uiMerged];
        const SWanted &Next = Wanted[uiRun];
        if (Next.lpSource == Last.lpSource && Next.uiOffset <= Last.uiOffset + Last.uiLength + MERGE_GAP_BYTES)
            Last.uiLength = std::max(Last.uiLength, Next.uiOffset + Next.uiLength - Last.uiOffset);
        else
            Wanted[++uiMerged] = Next;
    }
    if (!Wanted.empty())
        Wanted.resize(uiMerged + 1);
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
        if (Archive.IsFolder(uiChild) || Data.DescribeItem(Archive, uiChild) == EDataWalk::CutShort)
            continue;
        for (const SDataRun &Run : Data.GetRuns())
        {
            const uint64_t uiLength = std::min(Run.uiLength, uiBudget);
            uiBudget -= uiLength;
            if (!IsResident(Run, uiLength))
                Wanted.push_back({Run.lpSource, Run.uiFileOffset, uiLength});
        }
    }
    MergeWanted();
    // Blocks strewn over the archive are left to the kernel's read-around
    // of each fault, which reads more than the block and so fetches blocks
    // of later files too; announcing each small stretch alone was slower.
    uint64_t uiBytes = 0;
    for (const SWanted &Stretch : Wanted)
        uiBytes += Stretch.uiLength;
    if (Wanted.empty() || uiBytes / Wanted.size() < SMALLEST_STRETCH_BYTES)
        return;
    for (const SWanted &Stretch : Wanted)
        Advise(*Stretch.lpSource, Stretch.uiOffset, Stretch.uiLength);
}

void CReadAhead::Advise(const CDataSource &Source, uint64_t uiOffset, uint64_t uiLength)
{
    Source.AdviseWillNeed(uiOffset, uiLength);
}

}  // namespace Larkspur
