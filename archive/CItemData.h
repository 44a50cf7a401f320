// SPDX-License-Identifier: MIT
#pragma once
// One checked description of an item's data: where each of its bytes lies in
// the archive's file, worked out once from the item's first block entry by
// following its chain of block entries and each entry's chain of data blocks.
//
// The description is bounded whatever the archive holds:
// - it never holds more bytes than the item's recorded size (uiItemSize), nor
//   more than the archive's data area;
// - no block entry and no data block is used twice: one reached again is
//   damage (a loop, or blocks shared between entries), and the description
//   stops there as at a broken chain;
// - its memory grows with the number of runs, at most one per data block of
//   the item, so it is bounded by the data area.
//
// One command (an extraction, a hash of many files, a mount) describes its
// items through one CBlockClaims: a data block that an earlier item of the
// command used makes the item damaged (SharedData), and so does an item whose
// first block entry names another item as its owner (WrongOwner). So a
// command writes each data block at most once, and its output is bounded by
// the archive's data area, however many items share one chain.
//
// The bytes come as runs (DataRuns.h): the archive's file as their source,
// file offset and length, adjacent copy steps merged (blocks that follow each
// other in the file make one run). The extraction writes the runs in order;
// the source copies a run whole, file to file in the kernel, or hands it to
// a system call that copies it.
//
// Reading N bytes of the item at offset O (a preview, a hash, a file system
// serving reads at random offsets) is one binary search over the runs and
// then guarded copies: build the description once per item, then call Read
// (or ViewForKernel) as often as needed. Neither touches the fragmentation
// map or the block entries again.

#include "ArchiveResults.h"
#include "CGCF.h"
#include "DataRuns.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace Larkspur
{

// The data blocks that the items of one command have used: one bit per
// block, made when the first block is claimed, and the bytes described so
// far. The bits cover only blocks that can hold bytes (none when blocks are
// placed 0 bytes apart), so they take at most an eighth of the data area.
class CBlockClaims final : public IDataClaims
{
public:
    explicit CBlockClaims(const CGCF &GCF);
    // False when uiBlock was claimed before.
    bool Claim(uint32_t uiBlock);
    uint64_t GetBytes() const { return uiBytes; }
    void AddBytes(uint64_t uiMore) { uiBytes += uiMore; }

private:
    uint32_t uiBlocks;
    std::vector<uint64_t> Bits;
    uint64_t uiBytes = 0;
};

class CItemData
{
public:
    // Describes the data that starts at block entry uiFirstEntry, keeping at
    // most uiSizeCap bytes (the recorded size of the item that owns it). What
    // lies before damage stays described; the result tells why it stopped.
    // With lpClaims, the blocks walked are claimed for the command, a block
    // claimed before ends the walk (SharedData), and the command's bytes
    // stay within the data area.
    EDataWalk Describe(const CGCF &GCF, uint32_t uiFirstEntry, uint32_t uiSizeCap, CBlockClaims *lpClaims = nullptr);
    // The same for an item by its directory index, capped at its own size;
    // data whose first block entry names another owner is not walked.
    EDataWalk DescribeItem(const CGCF &GCF, uint32_t uiDirectoryIndex, CBlockClaims *lpClaims = nullptr);
    // The same for an item of any archive (IArchive::DescribeItemData), with
    // the claims its MakeClaims made for the command.
    EDataWalk DescribeItem(const IArchive &Archive, uint32_t uiDirectoryIndex, IDataClaims *lpClaims = nullptr)
    {
        return Archive.DescribeItemData(uiDirectoryIndex, *this, lpClaims);
    }
    // For a reader that works out an item's runs otherwise (a VPK file's
    // preload and entry bytes): takes them, in the item's order, and how
    // describing ended.
    void Assign(EDataWalk eEnd, std::span<const SDataRun> NewRuns);

    EDataWalk GetResult() const { return eResult; }
    uint64_t GetSize() const { return uiSize; }  // the bytes described
    const std::vector<SDataRun> &GetRuns() const { return Runs; }
    // Gives back the room that a description kept for long does not use.
    void ShrinkToFit() { Runs.shrink_to_fit(); }

    // Copies up to uiBytes of the item's data from uiOffset into lpBuffer,
    // stopping at the end of the described bytes; uiRead counts the bytes
    // copied. False when the file was cut short under them (uiRead then
    // counts those copied before the first lost page).
    bool Read(uint64_t uiOffset, void *lpBuffer, size_t uiBytes, size_t &uiRead) const
    {
        return ReadRuns(Runs, uiOffset, lpBuffer, uiBytes, uiRead);
    }
    // The item's bytes uiOffset to uiOffset + uiBytes as pieces for a system
    // call that copies them itself; false when more than uiMaxViews are
    // needed, or the bytes are not all described.
    bool ViewForKernel(uint64_t uiOffset, uint64_t uiBytes, size_t uiMaxViews, std::vector<iovec> &Views) const
    {
        return ViewRuns(Runs, uiOffset, uiBytes, uiMaxViews, Views);
    }

private:
    EDataWalk Walk(const CGCF &GCF, uint32_t uiFirstEntry, uint32_t uiSizeCap, CBlockClaims *lpClaims);
    void AddStep(const CDataSource &Source, uint64_t uiFileOffset, uint64_t uiLength);

    EDataWalk eResult = EDataWalk::NoData;
    uint64_t uiSize = 0;
    std::vector<SDataRun> Runs;
};

}  // namespace Larkspur
