// SPDX-License-Identifier: MIT
// Fuzz target: opens the input as a VPK directory file and asks every
// question the program asks of an open set, of every item, plus indexes out
// of range, and reads every file's data. Data file 0 is the input itself and
// data file 1 its first half (each an exactly sized copy), so entries that
// point into data files reach real bytes and their ends; an odd-sized input
// is opened as a single file, which may hold no data files. A read outside
// the input, a crash or a walk that does not end is what this looks for.
//
// Paths cost their depth each, and a deep tree is cheap to write, so paths
// run under a work budget to keep each input fast.

#include "archive/CVPK.h"
#include "archive/CVPKItemData.h"

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

void Touch(const void *lpByte)
{
    g_uiSink = static_cast<uint8_t>(g_uiSink + *static_cast<const uint8_t *>(lpByte));
}

void TouchName(std::string_view sName)
{
    if (!sName.empty())
    {
        Touch(sName.data());
        Touch(sName.data() + sName.size() - 1);
    }
}

void QueryItem(const CVPK &VPK, uint32_t uiIndex)
{
    TouchName(VPK.GetDirectoryItemName(uiIndex));
    g_uiSink = static_cast<uint8_t>(g_uiSink + VPK.IsFolder(uiIndex) + VPK.GetDirectoryItemFileCount(uiIndex) +
                                    VPK.GetDirectoryItemFolderCount(uiIndex) + VPK.GetDirectoryItemSize(uiIndex) +
                                    VPK.GetDirectoryItemSizeOnDisk(uiIndex) + VPK.GetDirectoryEntrySize(uiIndex));
    if (const SVPKFileEntry *lpEntry = VPK.GetFileEntry(uiIndex))
        g_uiSink = static_cast<uint8_t>(g_uiSink + lpEntry->uiCRC);
}

// Reads the first and last byte of every run, and bytes across the middle
// and past the end, as a preview or a file system would.
void ReadData(const CVPK &VPK, uint32_t uiIndex)
{
    CVPKItemData Data;
    g_uiSink = static_cast<uint8_t>(g_uiSink + VPKDamageReason(Data.DescribeItem(VPK, uiIndex))[0]);
    uint8_t Bytes[16];
    size_t uiRead = 0;
    for (const SDataRun &Run : Data.GetRuns())
    {
        Data.Read(Run.uiItemOffset, Bytes, 1, uiRead);
        Data.Read(Run.uiItemOffset + Run.uiLength - 1, Bytes, sizeof Bytes, uiRead);
        Touch(Bytes);
    }
    Data.Read(Data.GetSize() / 2, Bytes, sizeof Bytes, uiRead);
    Data.Read(Data.GetSize(), Bytes, sizeof Bytes, uiRead);
}

void QuerySet(const CVPK &VPK)
{
    const uint32_t uiItemCount = VPK.GetItemCount();
    std::vector<SDirectoryWalkItem> Items;
    VPK.WalkDirectory(0, Items);
    if (uiItemCount > 1)
        VPK.WalkDirectory(uiItemCount - 1, Items);
    std::vector<uint32_t> Children;
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount; uiIndex++)
    {
        QueryItem(VPK, uiIndex);
        VPK.GetDirectoryItemChildren(uiIndex, Children);
        if (!VPK.IsFolder(uiIndex))
            ReadData(VPK, uiIndex);
    }
    for (uint32_t uiIndex : {uiItemCount, uiItemCount + 1, 0x7FFFFFFFu, 0xFFFFFFFFu})
    {
        QueryItem(VPK, uiIndex);
        ReadData(VPK, uiIndex);
        std::string sPath;
        VPK.GetDirectoryItemPath(uiIndex, sPath);
        VPK.GetDirectoryItemChildren(uiIndex, Children);
    }
    uint64_t uiBudget = 8u << 20;
    for (uint32_t uiIndex = 0; uiIndex < uiItemCount && uiBudget > 0; uiIndex++)
    {
        std::string sPath = "\\tail";
        VPK.GetDirectoryItemPath(uiIndex, sPath);
        TouchName(sPath);
        uiBudget -= std::min<uint64_t>(uiBudget, sPath.size());
    }
    for (const SVPKLeftOut &Item : VPK.GetLeftOutItems())
    {
        TouchName(Item.sName);
        QueryItem(VPK, Item.uiFolder);
    }
    for (const VPKArchiveMD5Entry &Record : VPK.GetArchiveMD5Entries())
        if (Record.uiArchiveIndex <= VPK_DIRECTORY_FILE_INDEX)
            if (const CVPKSource *lpSource = VPK.GetSource(static_cast<uint16_t>(Record.uiArchiveIndex)))
            {
                uint8_t Byte = 0;
                lpSource->ReadBytes(Record.uiStartingOffset, &Byte, 1);
                lpSource->ReadBytes(uint64_t{Record.uiStartingOffset} + Record.uiCount - 1, &Byte, 1);
            }
    if (const VPKOtherMD5Section *lpOther = VPK.GetOtherMD5())
        Touch(lpOther->ThirdMD5 + 15);
    const SVPKSummary &Summary = VPK.GetSummary();
    g_uiSink = static_cast<uint8_t>(g_uiSink + Summary.uiDataFileCount + Summary.uiDamagedFiles);
}

std::unique_ptr<uint8_t[]> ExactCopy(const uint8_t *lpData, size_t uiSize)
{
    std::unique_ptr<uint8_t[]> Bytes(new uint8_t[uiSize > 0 ? uiSize : 1]);
    if (uiSize > 0)
        std::memcpy(Bytes.get(), lpData, uiSize);
    return Bytes;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    // Exactly sized copies: a read one byte past any of them is a heap
    // overflow that the address sanitizer reports.
    const auto Directory = ExactCopy(lpData, uiSize);
    const auto DataFile0 = ExactCopy(lpData, uiSize);
    const auto DataFile1 = ExactCopy(lpData, uiSize / 2);
    const std::vector<SVPKMemoryFile> DataFiles = {{0, DataFile0.get(), uiSize}, {1, DataFile1.get(), uiSize / 2}};

    CVPK VPK;
    if (VPK.OpenMemory(Directory.get(), uiSize, uiSize % 2 == 0 ? "fuzz_dir.vpk" : "fuzz.vpk", DataFiles))
    {
        QuerySet(VPK);
        VPK.Close();
    }
    // Queries on a closed reader answer as empty.
    std::vector<SDirectoryWalkItem> Items;
    VPK.WalkDirectory(0, Items);
    QueryItem(VPK, 0);
    ReadData(VPK, 0);
    return 0;
}
