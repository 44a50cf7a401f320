// SPDX-License-Identifier: MIT
// Fuzz target: an archive that changes while it is open. The input is opened
// as an archive; then its bytes are changed in place, at the same size, as
// another program rewriting the file would (a stretch overwritten with a
// fill the input chooses, every table after the header set to all ones, the
// whole file reversed), and after each change the whole directory is walked
// and every item's data described and read. Last, the input is opened again
// from a file that is then cut short under the mapping, and walked again:
// the reads that meet lost pages must fail, not crash.
//
// The stretch and its fill come from GCF Header fields that the reader never
// interprets (offsets 0, 4 and 12), so the fuzzer evolves them freely.

#include "archive/CGCF.h"
#include "archive/CItemData.h"

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

volatile uint8_t g_uiSink = 0;

void Sink(uint64_t uiValue)
{
    g_uiSink = static_cast<uint8_t>(g_uiSink + uiValue);
}

uint32_t Word(const uint8_t *lpData, size_t uiSize, size_t uiOffset)
{
    return uiOffset + 4 <= uiSize ? ReadLE32(lpData + uiOffset) : 0;
}

// Everything the window and the tool ask of an open archive, item by item,
// under a work budget so that each input stays fast.
void WalkWholeArchive(const CGCF &GCF)
{
    std::vector<SDirectoryWalkItem> Items;
    Sink(GCF.WalkDirectory(0, Items));
    uint64_t uiBudget = 1u << 20;
    std::vector<uint32_t> Children;
    for (const SDirectoryWalkItem &Item : Items)
    {
        const uint32_t uiIndex = Item.uiDirectoryIndex;
        const std::string_view sName = GCF.GetDirectoryItemName(uiIndex);
        if (!sName.empty())
            Sink(static_cast<uint8_t>(sName.back()));
        Sink(GCF.IsFolder(uiIndex));
        GCF.GetDirectoryItemChildren(uiIndex, Children);
        Sink(Children.size());
        if (uiBudget < Children.size() + 64)
            break;
        uiBudget -= Children.size() + 64;

        CItemData Data;
        Sink(static_cast<uint64_t>(Data.DescribeItem(GCF, uiIndex)));
        uint8_t Bytes[64];
        size_t uiRead = 0;
        for (const SDataRun &Run : Data.GetRuns())
        {
            if (uiBudget == 0)
                break;
            --uiBudget;
            Sink(Data.Read(Run.uiItemOffset + Run.uiLength - 1, Bytes, sizeof Bytes, uiRead));
            Sink(uiRead > 0 ? Bytes[0] : 0);
        }
        Sink(Data.Read(Data.GetSize() / 3, Bytes, sizeof Bytes, uiRead));
    }
    if (!Items.empty())
    {
        std::string sPath;
        GCF.GetDirectoryItemPath(Items.back().uiDirectoryIndex, sPath);
        Sink(sPath.size());
    }
    Sink(GCF.GetDirectoryItemFileCount(0) + GCF.GetDirectoryItemSizeOnDisk(0));
}

// The input reopened from a file in memory, cut short at a size the input
// chooses (GCF Header offset 16), and walked again.
void WalkCutShort(const uint8_t *lpData, size_t uiSize)
{
    const int iFile = ::memfd_create("fuzz-archive", MFD_CLOEXEC);
    if (iFile < 0)
        return;
    if (::write(iFile, lpData, uiSize) == static_cast<ssize_t>(uiSize))
    {
        CGCF GCF;
        GCF.SetDumpOnRefusal(false);
        if (GCF.Open(("/proc/self/fd/" + std::to_string(iFile)).c_str()))
        {
            const uint32_t uiCut = Word(lpData, uiSize, 16);
            if (::ftruncate(iFile, static_cast<off_t>(uiSize > 0 ? uiCut % uiSize : 0)) == 0)
            {
                Sink(GCF.IsCutShort());
                WalkWholeArchive(GCF);
                Sink(GCF.Dump());
            }
        }
    }
    ::close(iFile);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    // An exactly sized copy, so that a read one byte past it is seen.
    std::unique_ptr<uint8_t[]> Bytes(new uint8_t[uiSize > 0 ? uiSize : 1]);
    if (uiSize > 0)
        std::memcpy(Bytes.get(), lpData, uiSize);

    CGCF GCF;
    GCF.SetDumpOnRefusal(false);
    if (!GCF.OpenMemory(Bytes.get(), uiSize, "fuzz.gcf"))
        return 0;
    WalkWholeArchive(GCF);

    // A stretch overwritten with a fill.
    const uint64_t uiStart = Word(lpData, uiSize, 0) % uiSize;
    const uint64_t uiLength = std::min<uint64_t>(Word(lpData, uiSize, 4), uiSize - uiStart);
    std::memset(Bytes.get() + uiStart, static_cast<int>(Word(lpData, uiSize, 12) & 0xFF), uiLength);
    WalkWholeArchive(GCF);

    // Every count, index and link after the GCF Header at its largest.
    if (uiSize > 44)
        std::memset(Bytes.get() + 44, 0xFF, uiSize - 44);
    WalkWholeArchive(GCF);

    // The input's own bytes, back to front.
    std::reverse_copy(lpData, lpData + uiSize, Bytes.get());
    WalkWholeArchive(GCF);
    GCF.Close();

    WalkCutShort(lpData, uiSize);
    return 0;
}
