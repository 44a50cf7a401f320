// SPDX-License-Identifier: MIT
// Fuzz target: opens the input as an archive and asks every question the
// program asks of an open archive, of every item, plus some indexes out of
// range. A refused input goes through the refusal's dump. A read outside the
// input, a crash or a walk that does not end is what this looks for.
//
// Subtree queries (counts, paths, children) cost up to the directory's size
// each; a damaged directory can make every item's subtree the whole
// directory, so they run under a work budget to keep each input fast.

#include "archive/CGCF.h"
#include "archive/CItemData.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

volatile uint8_t g_uiSink = 0;

void Touch(const uint8_t *lpByte)
{
    g_uiSink = static_cast<uint8_t>(g_uiSink + *lpByte);
}

void TouchName(std::string_view sName)
{
    if (!sName.empty())
    {
        Touch(reinterpret_cast<const uint8_t *>(sName.data()));
        Touch(reinterpret_cast<const uint8_t *>(sName.data() + sName.size() - 1));
    }
}

class CBudget
{
public:
    explicit CBudget(uint64_t uiUnits) : uiLeft(uiUnits) {}
    bool Take(uint64_t uiUnits)
    {
        if (uiUnits > uiLeft)
        {
            uiLeft = 0;
            return false;
        }
        uiLeft -= uiUnits;
        return true;
    }
    bool Left() const { return uiLeft > 0; }

private:
    uint64_t uiLeft;
};

void QueryItem(const CGCF &GCF, uint32_t uiIndex)
{
    const GCFDirectoryEntry *lpEntry = GCF.GetDirectoryEntry(uiIndex);
    if (lpEntry != nullptr)
        g_uiSink = static_cast<uint8_t>(g_uiSink + lpEntry->uiFlags);
    g_uiSink = static_cast<uint8_t>(g_uiSink + GCF.IsFolder(uiIndex));
    TouchName(GCF.GetDirectoryItemName(uiIndex));
    const uint32_t uiFirstEntry = GCF.GetFirstEntry(uiIndex);
    GCFBlockEntry BlockEntry;
    if (GCF.ReadBlockEntry(uiFirstEntry, BlockEntry))
        g_uiSink = static_cast<uint8_t>(g_uiSink + BlockEntry.uiOwner);
}

void QuerySubtree(const CGCF &GCF, uint32_t uiIndex)
{
    g_uiSink = static_cast<uint8_t>(g_uiSink + GCF.GetDirectoryItemFileCount(uiIndex) +
                                    GCF.GetDirectoryItemFolderCount(uiIndex) + GCF.GetDirectoryItemSize(uiIndex) +
                                    GCF.GetDirectoryItemSizeOnDisk(uiIndex));
}

// Reads the described data: the first and last byte of every run, and a
// few bytes read at offsets the way a preview or a file system would.
void ReadData(const CItemData &Data, CBudget &Steps)
{
    uint8_t Bytes[16];
    size_t uiRead = 0;
    for (const SDataRun &Run : Data.GetRuns())
    {
        if (!Steps.Take(1))
            return;
        Data.Read(Run.uiItemOffset, Bytes, 1, uiRead);
        Data.Read(Run.uiItemOffset + Run.uiLength - 1, Bytes, sizeof Bytes, uiRead);
        Touch(Bytes);
    }
    Data.Read(Data.GetSize() / 2, Bytes, sizeof Bytes, uiRead);
    Data.Read(Data.GetSize(), Bytes, sizeof Bytes, uiRead);
}

void WalkData(const CGCF &GCF, uint32_t uiIndex, CBudget &Steps)
{
    CItemData Data;
    const EDataWalk eResult = Data.DescribeItem(GCF, uiIndex);
    g_uiSink = static_cast<uint8_t>(g_uiSink + DataWalkReason(eResult)[0]);
    ReadData(Data, Steps);
}

void QueryArchive(const CGCF &GCF)
{
    const uint32_t uiItemCount = GCF.GetItemCount();

    std::vector<SDirectoryWalkItem> Items;
    GCF.WalkDirectory(0, Items);
    if (uiItemCount > 1)
        GCF.WalkDirectory(uiItemCount - 1, Items);

    const uint32_t OutOfRange[] = {uiItemCount, uiItemCount + 1, 0x7FFFFFFFu, 0xFFFFFFFFu};
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount; uiIndex++)
        QueryItem(GCF, uiIndex);
    for (uint32_t uiIndex : OutOfRange)
    {
        QueryItem(GCF, uiIndex);
        QuerySubtree(GCF, uiIndex);
        std::string sPath;
        GCF.GetDirectoryItemPath(uiIndex, sPath);
        std::vector<uint32_t> Children;
        GCF.GetDirectoryItemChildren(uiIndex, Children);
    }

    CBudget Work(4u << 20);
    std::vector<uint32_t> Children;
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount && Work.Left(); uiIndex++)
    {
        GCF.GetDirectoryItemChildren(uiIndex, Children);
        Work.Take(Children.size() + 1);
    }
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount && Work.Left(); uiIndex++)
    {
        QuerySubtree(GCF, uiIndex);
        Work.Take(GCF.IsFolder(uiIndex) ? uiItemCount : 1);
    }
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount && Work.Left(); uiIndex++)
    {
        std::string sPath = "\\tail";
        GCF.GetDirectoryItemPath(uiIndex, sPath);
        TouchName(sPath);
        Work.Take(sPath.size());
    }

    CBudget Steps(1u << 20);
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount && Steps.Left(); uiIndex++)
        if (!GCF.IsFolder(uiIndex))
            WalkData(GCF, uiIndex, Steps);
    // Block entries as the owners' walks would not reach them.
    const uint32_t uiEntryCount = GCF.GetHeaders().BlockEntryHeader.uiEntryCount;
    for (uint32_t uiEntry = 0; uiEntry < uiEntryCount && Steps.Left(); uiEntry++)
    {
        CItemData Data;
        Data.Describe(GCF, uiEntry, 0xFFFFFFFFu);
        ReadData(Data, Steps);
    }

    const GCFDataBlockHeader &Data = GCF.GetHeaders().DataBlockHeader;
    const uint32_t uiTotalBlocks = Data.uiTotalBlocks;
    const uint32_t uiDataBlockSize = Data.uiDataBlockSize;
    for (uint32_t uiBlock = 0; uiBlock < uiTotalBlocks && uiBlock < 4096; uiBlock++)
    {
        // Every block below uiTotalBlocks lies inside the file, so its span
        // is never empty and its first and last bytes read.
        const SFileSpan Block = GCF.GetDataBlock(uiBlock);
        uint8_t Byte = 0;
        if (Block.Empty() || (uiDataBlockSize > 0 && (!Block.Read(0, &Byte, 1) || !Block.Read(uiDataBlockSize - 1, &Byte, 1))))
            __builtin_trap();
        uint32_t uiNext = 0;
        GCF.ReadNextBlock(uiBlock, uiNext);
    }
    GCF.GetDataBlock(uiTotalBlocks);
    GCF.GetDataBlock(0xFFFFFFFFu);
}

// A refused input rewrites dump.txt: in FUZZ_DUMP_FOLDER when that is set
// (scripts/fuzz points it at a folder in memory, ctest at the build tree),
// else in the current folder.
const std::string &DumpFolder()
{
    static const std::string sFolder = [] {
        const char *szFolder = std::getenv("FUZZ_DUMP_FOLDER");
        return std::string(szFolder != nullptr ? szFolder : "");
    }();
    return sFolder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    // An exactly sized copy: a read one byte past the input is then a heap
    // overflow that the address sanitizer reports.
    std::unique_ptr<uint8_t[]> Bytes(new uint8_t[uiSize > 0 ? uiSize : 1]);
    if (uiSize > 0)
        std::memcpy(Bytes.get(), lpData, uiSize);

    CGCF GCF;
    GCF.SetDumpFolder(DumpFolder());
    if (GCF.OpenMemory(Bytes.get(), uiSize, "fuzz.gcf"))
    {
        QueryArchive(GCF);
        GCF.Close();
    }
    // Queries on a closed reader answer as empty.
    std::vector<SDirectoryWalkItem> Items;
    GCF.WalkDirectory(0, Items);
    QueryItem(GCF, 0);
    QuerySubtree(GCF, 0);
    return 0;
}
