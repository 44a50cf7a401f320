// SPDX-License-Identifier: MIT
#pragma once
// One checked description of a VPK file's data: at most two runs, its
// preload bytes (in the directory file's tree) and then its entry's bytes
// (in its data file, or after the tree in the directory file for archive
// index 0x7FFF). The runs are those of every reader (DataRuns.h): each names
// the source it lies in, a CVPKSource of the set; Read copies bytes at any
// offset of the item under the guard.
//
// Describing maps the data file when it is first needed. A file whose data
// cannot be read keeps its preload run (what lies before the damage) and
// the result says why the rest is missing.

#include "CVPK.h"
#include "DataRuns.h"

#include <cstddef>
#include <cstdint>
#include <vector>

namespace Larkspur
{

class CVPKItemData
{
public:
    // None when every byte is described; NotAFile for a folder or a bad index.
    EVPKDamage DescribeItem(const CVPK &VPK, uint32_t uiDirectoryIndex);

    EVPKDamage GetResult() const { return eResult; }
    uint64_t GetSize() const { return uiSize; }  // the bytes described
    const std::vector<SDataRun> &GetRuns() const { return Runs; }

    // Copies up to uiBytes of the file's data from uiOffset into lpBuffer,
    // stopping at the end of the described bytes; uiRead counts the bytes
    // copied. False when a source was cut short under them (uiRead then
    // counts those copied before the first lost page).
    bool Read(uint64_t uiOffset, void *lpBuffer, size_t uiBytes, size_t &uiRead) const
    {
        return ReadRuns(Runs, uiOffset, lpBuffer, uiBytes, uiRead);
    }

private:
    EVPKDamage eResult = EVPKDamage::NotAFile;
    uint64_t uiSize = 0;
    std::vector<SDataRun> Runs;
};

}  // namespace Larkspur
