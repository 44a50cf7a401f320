// SPDX-License-Identifier: MIT
#pragma once
// An item's data as runs: stretches of its bytes that each lie in one piece
// in one source file, in the item's order. Both readers describe an item's
// data so (CItemData for GCF, CVPKItemData for VPK), and every consumer
// (extraction, mount, read-ahead, checksums, preview) reads them through the
// run's source, which checked the range when the run was made. Reading at
// any offset of the item is one binary search over the runs here.

#include "CDataSource.h"

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Larkspur
{

// Bytes of a source: checked to lie inside it when made. An empty span
// (no source) stands for bytes that are not there.
struct SFileSpan
{
    const CDataSource *lpSource = nullptr;
    uint64_t uiOffset = 0;
    uint64_t uiLength = 0;

    bool Empty() const { return lpSource == nullptr; }
    // Copies uiBytes from uiWithin bytes into the span; false when they do
    // not lie inside it, or the file was cut short under them.
    bool Read(uint64_t uiWithin, void *lpBuffer, size_t uiBytes) const
    {
        return lpSource != nullptr && uiWithin <= uiLength && uiBytes <= uiLength - uiWithin &&
               lpSource->ReadBytes(uiOffset + uiWithin, lpBuffer, uiBytes);
    }
};

// A stretch of an item's data that lies in one piece in one source.
struct SDataRun
{
    uint64_t uiItemOffset;  // where the run starts within the item's data
    uint64_t uiFileOffset;  // where its bytes lie in the source
    uint64_t uiLength;
    const CDataSource *lpSource;  // valid while the archive stays open
};

// Copies up to uiBytes of the item's data from uiOffset into lpBuffer,
// stopping at the end of the runs; uiRead counts the bytes copied. False
// when a source was cut short under them (uiRead then counts those copied
// before the first lost page, so a caller can answer with them).
bool ReadRuns(std::span<const SDataRun> Runs, uint64_t uiOffset, void *lpBuffer, size_t uiBytes, size_t &uiRead);

// The item's bytes uiOffset to uiOffset + uiBytes as pieces for a system
// call that copies them itself (KernelView). False when more than
// uiMaxViews pieces are needed, or the runs do not hold all the bytes.
bool ViewRuns(std::span<const SDataRun> Runs, uint64_t uiOffset, uint64_t uiBytes, size_t uiMaxViews,
              std::vector<iovec> &Views);

}  // namespace Larkspur
