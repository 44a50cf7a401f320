// SPDX-License-Identifier: MIT
#include "CItemData.h"

#include <algorithm>
#include <iterator>
#include <map>

namespace Larkspur
{

namespace
{

// Indexes already used by one item, kept as ranges of consecutive indexes:
// an item's blocks mostly follow each other, so this stays a handful of
// ranges, and never more ranges than indexes.
class CIndexSet
{
public:
    // False when uiIndex was in the set already.
    bool Insert(uint32_t uiIndex)
    {
        auto Next = Ranges.upper_bound(uiIndex);  // the first range starting after uiIndex
        if (Next != Ranges.begin())
        {
            auto Previous = std::prev(Next);
            if (uiIndex < Previous->second)
                return false;
            if (uiIndex == Previous->second)
            {
                Previous->second = uiIndex + uint64_t{1};
                if (Next != Ranges.end() && Next->first == Previous->second)
                {
                    Previous->second = Next->second;
                    Ranges.erase(Next);
                }
                return true;
            }
        }
        if (Next != Ranges.end() && Next->first == uiIndex + uint64_t{1})
        {
            const uint64_t uiEnd = Next->second;
            Ranges.erase(Next);
            Ranges.emplace(uiIndex, uiEnd);
            return true;
        }
        Ranges.emplace(uiIndex, uiIndex + uint64_t{1});
        return true;
    }

private:
    std::map<uint64_t, uint64_t> Ranges;  // start -> end (one past the last)
};

}  // namespace

CBlockClaims::CBlockClaims(const CGCF &GCF)
    : uiBlocks(GCF.GetHeaders().DataBlockHeader.uiDataBlockSize != 0 ? GCF.GetHeaders().DataBlockHeader.uiTotalBlocks
                                                                    : 0)
{
}

bool CBlockClaims::Claim(uint32_t uiBlock)
{
    if (uiBlock >= uiBlocks)
        return true;  // holds no bytes: the walk stops before it anyway
    if (Bits.empty())
        Bits.assign((uint64_t{uiBlocks} + 63) / 64, 0);
    uint64_t &uiWord = Bits[uiBlock / 64];
    const uint64_t uiBit = uint64_t{1} << (uiBlock % 64);
    if ((uiWord & uiBit) != 0)
        return false;
    uiWord |= uiBit;
    return true;
}

void CItemData::Assign(EDataWalk eEnd, std::span<const SDataRun> NewRuns)
{
    Runs.assign(NewRuns.begin(), NewRuns.end());
    uiSize = Runs.empty() ? 0 : Runs.back().uiItemOffset + Runs.back().uiLength;
    eResult = eEnd;
}

void CItemData::AddStep(const CDataSource &Source, uint64_t uiFileOffset, uint64_t uiLength)
{
    if (!Runs.empty() && Runs.back().uiFileOffset + Runs.back().uiLength == uiFileOffset)
        Runs.back().uiLength += uiLength;
    else
        Runs.push_back({uiSize, uiFileOffset, uiLength, &Source});
    uiSize += uiLength;
}

EDataWalk CItemData::DescribeItem(const CGCF &GCF, uint32_t uiDirectoryIndex, CBlockClaims *lpClaims)
{
    Runs.clear();
    uiSize = 0;
    const GCFDirectoryEntry *lpEntry = GCF.GetDirectoryEntry(uiDirectoryIndex);
    if (lpEntry == nullptr || lpEntry->uiFlags == 0)
        return eResult = EDataWalk::NoData;
    // The block entry's owner names the item whose data it starts: data
    // that starts with another item's entry is that item's data, not this
    // one's (several items can be made to point at one chain).
    const uint32_t uiFirstEntry = GCF.GetFirstEntry(uiDirectoryIndex);
    GCFBlockEntry FirstEntry;
    if (uiFirstEntry != GCF.GetHeaders().BlockEntryHeader.uiEntryCount && GCF.ReadBlockEntry(uiFirstEntry, FirstEntry) &&
        FirstEntry.uiOwner != uiDirectoryIndex)
        return eResult = EDataWalk::WrongOwner;
    return Describe(GCF, uiFirstEntry, lpEntry->uiItemSize, lpClaims);
}

EDataWalk CItemData::Describe(const CGCF &GCF, uint32_t uiFirstEntry, uint32_t uiSizeCap, CBlockClaims *lpClaims)
{
    Runs.clear();
    uiSize = 0;
    eResult = Walk(GCF, uiFirstEntry, uiSizeCap, lpClaims);
    if (lpClaims != nullptr)
        lpClaims->AddBytes(uiSize);
    return eResult;
}

// Kept whole: every bound of an item's data (its entries, its blocks, the
// size cap, the command's claims) is checked in the one loop that makes the
// runs, so no run is made past a bound that a later step would check.
EDataWalk CItemData::Walk(const CGCF &GCF, uint32_t uiFirstEntry, uint32_t uiSizeCap, CBlockClaims *lpClaims)
{
    if (!GCF.Opened())
        return EDataWalk::BadEntry;
    const SGCFHeaders &Headers = GCF.GetHeaders();
    const uint32_t uiEntryCount = Headers.BlockEntryHeader.uiEntryCount;
    if (uiFirstEntry == uiEntryCount)
        return EDataWalk::NoData;

    const uint32_t uiBlockSize = Headers.Header.uiBlockSize;  // never 0 in an open archive
    const uint32_t uiEntryChainEnd = Headers.Header.uiEntryChainEnd;
    const uint32_t uiTotalBlocks = Headers.DataBlockHeader.uiTotalBlocks;
    const uint64_t uiDataBlockSize = Headers.DataBlockHeader.uiDataBlockSize;
    // Copy steps longer than the blocks' spacing overlap; even so no item,
    // and no command, holds more than the data area.
    const uint64_t uiDataArea = uiTotalBlocks * uiDataBlockSize;
    const uint64_t uiAreaLeft = lpClaims != nullptr ? uiDataArea - std::min(uiDataArea, lpClaims->GetBytes()) : uiDataArea;
    const uint64_t uiCap = std::min<uint64_t>(uiSizeCap, uiAreaLeft);

    CIndexSet UsedEntries, UsedBlocks;
    uint32_t uiEntry = uiFirstEntry;
    for (;;)
    {
        if (uiEntry >= uiEntryCount)
            return EDataWalk::BadEntry;
        if (!UsedEntries.Insert(uiEntry))
            return EDataWalk::EntryLoop;
        GCFBlockEntry Entry;
        if (!GCF.ReadBlockEntry(uiEntry, Entry))
            return EDataWalk::CutShort;

        uint32_t uiRemaining = Entry.uiDataLength;
        uint32_t uiBlock = Entry.uiFirstBlock;
        while (uiRemaining > 0)
        {
            if (uiSize == uiCap)
            {
                if (uiCap == uiSizeCap)
                    return EDataWalk::TooLong;
                return uiAreaLeft < uiDataArea ? EDataWalk::SharedData : EDataWalk::BlockLoop;
            }
            if (uiBlock >= uiTotalBlocks)
                return EDataWalk::BadBlock;
            if (!UsedBlocks.Insert(uiBlock))
                return EDataWalk::BlockLoop;
            if (lpClaims != nullptr && !lpClaims->Claim(uiBlock))
                return EDataWalk::SharedData;
            // A copy step is uiBlockSize long, which may be more than the
            // blocks' spacing (uiDataBlockSize): it starts at the block and
            // must lie inside the file, not inside the block.
            const uint64_t uiStep = std::min<uint64_t>({uiRemaining, uiBlockSize, uiCap - uiSize});
            const SFileSpan Block = GCF.GetDataBlock(uiBlock);
            if (Block.Empty() || !Block.lpSource->Contains(Block.uiOffset, uiStep))
                return EDataWalk::BlockOutsideFile;
            AddStep(*Block.lpSource, Block.uiOffset, uiStep);
            uiRemaining -= static_cast<uint32_t>(uiStep);
            // The last block's link is never needed, so it is not read; nor is
            // a link past the cap.
            if (uiRemaining > 0 && uiSize < uiCap)
            {
                if (uiBlock >= Headers.FragmentationMapHeader.uiLinkCount)
                    return EDataWalk::BadLink;
                if (!GCF.ReadNextBlock(uiBlock, uiBlock))
                    return EDataWalk::CutShort;
            }
        }

        if (Entry.uiNextEntry == uiEntryChainEnd)
            return EDataWalk::Complete;
        uiEntry = Entry.uiNextEntry;
    }
}

}  // namespace Larkspur
