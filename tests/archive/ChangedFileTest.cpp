// SPDX-License-Identifier: MIT
// An archive whose file changes while it is open: cut short by another
// program (its lost pages would raise SIGBUS) or rewritten in place at the
// same size with other counts and links. The reader answers from what it
// copied at open and reads the rest under its guard: no crash, no read
// outside the file, and a failure where bytes are gone.

#include "ArchiveTestSupport.h"

#include "GcfBuilder.h"

#include <algorithm>

#include <fcntl.h>
#include <unistd.h>

using namespace Larkspur;
using namespace ArchiveTest;
using namespace GcfBuilder;

namespace
{

struct SDirectoryAnswers
{
    uint32_t uiItems = 0;
    std::vector<std::string> Paths;
    bool bWalked = false;
    bool operator==(const SDirectoryAnswers &) const = default;
};

SDirectoryAnswers AskDirectory(const CGCF &GCF)
{
    SDirectoryAnswers Answers;
    Answers.uiItems = GCF.GetItemCount();
    std::vector<SDirectoryWalkItem> Items;
    Answers.bWalked = GCF.WalkDirectory(0, Items);
    for (const SDirectoryWalkItem &Item : Items)
    {
        std::string sPath;
        GCF.GetDirectoryItemPath(Item.uiDirectoryIndex, sPath);
        Answers.Paths.push_back(sPath + " " + std::to_string(GCF.GetDirectoryItemSize(Item.uiDirectoryIndex)));
    }
    return Answers;
}

class ChangedFile : public testing::Test
{
protected:
    void SetUp() override
    {
        SOptions Options;
        Options.uiBlockSize = Options.uiDataBlockSize = 4096;
        Archive = Build(SampleTree(), Options);
        sPath = Temp / "archive.gcf";
        ASSERT_TRUE(WriteFile(sPath, Archive.Bytes));
        GCF.SetDumpFolder(Temp.sPath);
        ASSERT_TRUE(GCF.Open(sPath.c_str())) << GCF.GetLastError();
        Before = AskDirectory(GCF);
    }

    // Writes 4 bytes into the open file, as another program would.
    void Rewrite(uint64_t uiOffset, uint32_t uiValue)
    {
        const int iFile = ::open(sPath.c_str(), O_WRONLY);
        ASSERT_GE(iFile, 0);
        uint8_t Bytes[4] = {uint8_t(uiValue), uint8_t(uiValue >> 8), uint8_t(uiValue >> 16), uint8_t(uiValue >> 24)};
        ASSERT_EQ(::pwrite(iFile, Bytes, 4, static_cast<off_t>(uiOffset)), 4);
        ::close(iFile);
    }

    CTempDir Temp;
    SArchive Archive;
    std::string sPath;
    CGCF GCF;
    SDirectoryAnswers Before;
};

TEST_F(ChangedFile, CutShortTheDirectoryStaysAndLostBytesFailToRead)
{
    // Down to the GCF Header: every table and block is gone.
    for (const uint64_t uiSize : {uint64_t{Archive.Layout.uiDataStart} + 100, uint64_t{44}})
    {
        SCOPED_TRACE(uiSize);
        ASSERT_EQ(::truncate(sPath.c_str(), static_cast<off_t>(uiSize)), 0);
        EXPECT_TRUE(GCF.IsCutShort());
        EXPECT_EQ(AskDirectory(GCF), Before);

        // The page that holds the new end still reads (zeros past the end);
        // every page after it is gone.
        const uint64_t uiPage = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
        const uint64_t uiReadable = (uiSize + uiPage - 1) / uiPage * uiPage;
        for (uint32_t i = 0; i < GCF.GetItemCount(); ++i)
        {
            CItemData Data;
            const EDataWalk eResult = Data.DescribeItem(GCF, i);
            if (GCF.IsFolder(i) || eResult == EDataWalk::NoData || Data.GetSize() == 0)
                continue;
            // Block entries lie before the data: the description stands, or
            // it says the file was cut short under it.
            if (eResult != EDataWalk::Complete)
            {
                EXPECT_EQ(eResult, EDataWalk::CutShort) << i;
                continue;
            }
            // The item's bytes that lie before the first lost page.
            uint64_t uiBeforeLoss = 0;
            bool bLost = false;
            for (const SDataRun &Run : Data.GetRuns())
            {
                const uint64_t uiEnd = Run.uiFileOffset + Run.uiLength;
                uiBeforeLoss += std::min(uiEnd, std::max(uiReadable, Run.uiFileOffset)) - Run.uiFileOffset;
                if ((bLost = uiEnd > uiReadable))
                    break;
            }
            std::string sBytes(Data.GetSize(), '\0');
            size_t uiRead = 0;
            EXPECT_EQ(Data.Read(0, sBytes.data(), sBytes.size(), uiRead), !bLost) << i;
            EXPECT_EQ(uiRead, uiBeforeLoss) << i;
        }
        uint8_t Byte = 0;
        EXPECT_FALSE(GCF.GetSource().ReadBytes(GCF.GetSource().GetSize() - 1, &Byte, 1));
        EXPECT_TRUE(GCF.Dump());
    }
    EXPECT_TRUE(ReadFile(Temp / "dump.txt").starts_with("Dump:\tGCF Header\r\nSize:\t44\r\nNull:\tFalse"));
}

TEST_F(ChangedFile, RewrittenCountsAndLinksAreNotReadAgain)
{
    const uint32_t uiDirectory = Archive.Layout.uiDirectoryHeader;
    Rewrite(uiDirectory + 12, 0x7FFFFFFF);                                     // uiItemCount
    Rewrite(uiDirectory + 28, 0xFFFFFFF0);                                     // uiNameTableSize
    Rewrite(Archive.Layout.uiBlockEntryHeader, 0xFFFFFFFF);                    // uiEntryCount
    Rewrite(Archive.Layout.uiFragmentationMapHeader, 0xFFFFFFFF);              // uiLinkCount
    Rewrite(Archive.Layout.uiDirectoryEntries + 28 * 3 + 16, 0x40000000);      // a far parent link
    Rewrite(Archive.Layout.uiDirectoryEntries + 28 * 1 + 24, 0x40000000);      // a far child link
    Rewrite(Archive.Layout.uiDataBlockHeader + 4, 0xFFFFFFFF);                 // uiTotalBlocks
    EXPECT_FALSE(GCF.IsCutShort());
    EXPECT_EQ(AskDirectory(GCF), Before);
    EXPECT_EQ(GCF.GetHeaders().DataBlockHeader.uiTotalBlocks, Archive.Layout.uiTotalBlocks);

    // Block entries and links are read when asked for, checked against the
    // counts taken at open: a rewritten entry is damage, never a wild read.
    for (const uint32_t uiEntry : Archive.Layout.Entries[Archive.Layout.Paths.size() - 1])
    {
        Rewrite(Archive.Layout.uiBlockEntries + 28 * uiEntry + 12, 0x7FFFFFFF);  // uiFirstBlock
        Rewrite(Archive.Layout.uiBlockEntries + 28 * uiEntry + 16, 0x7FFFFFFF);  // uiNextEntry
    }
    for (uint32_t i = 0; i < GCF.GetItemCount(); ++i)
    {
        CItemData Data;
        const EDataWalk eResult = Data.DescribeItem(GCF, i);
        EXPECT_NE(eResult, EDataWalk::CutShort);
        EXPECT_LE(Data.GetSize(), GCF.GetDirectoryEntry(i)->uiItemSize);
    }
}

}  // namespace
