// SPDX-License-Identifier: MIT
#include "DataRuns.h"

#include <algorithm>

namespace Larkspur
{

namespace
{

// The run that holds uiOffset: the last one starting at or before it; end
// when none starts there.
std::span<const SDataRun>::iterator FindRun(std::span<const SDataRun> Runs, uint64_t uiOffset)
{
    auto Run = std::upper_bound(Runs.begin(), Runs.end(), uiOffset,
                                [](uint64_t uiValue, const SDataRun &Item) { return uiValue < Item.uiItemOffset; });
    return Run == Runs.begin() ? Runs.end() : Run - 1;
}

}  // namespace

bool ReadRuns(std::span<const SDataRun> Runs, uint64_t uiOffset, void *lpBuffer, size_t uiBytes, size_t &uiRead)
{
    uiRead = 0;
    auto *lpTarget = static_cast<uint8_t *>(lpBuffer);
    for (auto Run = FindRun(Runs, uiOffset); Run != Runs.end() && uiRead < uiBytes; ++Run)
    {
        const uint64_t uiWithin = uiOffset + uiRead - Run->uiItemOffset;
        if (uiWithin >= Run->uiLength)
            break;
        const size_t uiChunk = static_cast<size_t>(std::min<uint64_t>(Run->uiLength - uiWithin, uiBytes - uiRead));
        if (!Run->lpSource->ReadBytes(Run->uiFileOffset + uiWithin, lpTarget + uiRead, uiChunk))
        {
            // The file was cut short somewhere under this run: the pages
            // before the lost one still read, so the bytes the caller gets
            // reach right up to the loss (a mount answers a read with them).
            uiRead += Run->lpSource->ReadUpToLoss(Run->uiFileOffset + uiWithin, lpTarget + uiRead, uiChunk);
            return false;
        }
        uiRead += uiChunk;
    }
    return true;
}

bool ViewRuns(std::span<const SDataRun> Runs, uint64_t uiOffset, uint64_t uiBytes, size_t uiMaxViews,
              std::vector<iovec> &Views)
{
    Views.clear();
    auto Run = FindRun(Runs, uiOffset);
    for (uint64_t uiDone = 0; uiDone < uiBytes; ++Run)
    {
        if (Run == Runs.end() || Views.size() == uiMaxViews)
            return false;
        const uint64_t uiWithin = uiOffset + uiDone - Run->uiItemOffset;
        if (uiWithin >= Run->uiLength)
            return false;
        const uint64_t uiLength = std::min(Run->uiLength - uiWithin, uiBytes - uiDone);
        iovec View;
        if (!Run->lpSource->KernelView(Run->uiFileOffset + uiWithin, uiLength, View))
            return false;
        Views.push_back(View);
        uiDone += uiLength;
    }
    return true;
}

}  // namespace Larkspur
