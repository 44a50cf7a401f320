// SPDX-License-Identifier: MIT
// Following an item's data: block entry chains, fragmentation map chains,
// copy steps, and every way a damaged chain ends.

#include "ArchiveTestSupport.h"

#include "GcfBuilder.h"

#include <functional>
#include <map>

using namespace Larkspur;
using namespace ArchiveTest;
using namespace GcfBuilder;

namespace
{

struct SWalk
{
    EDataWalk eResult = EDataWalk::Complete;
    std::string sData;
    size_t uiRuns = 0;
};

// Describes an item's data and reads it back whole, checking that every run
// the description holds lies inside the file.
SWalk Walk(const CGCF &GCF, uint32_t uiIndex)
{
    SWalk Result;
    CItemData Data;
    Result.eResult = Data.DescribeItem(GCF, uiIndex);
    for (const SDataRun &Run : Data.GetRuns())
        EXPECT_LE(Run.uiFileOffset + Run.uiLength, GCF.GetFileSize());
    Result.uiRuns = Data.GetRuns().size();
    Result.sData.resize(Data.GetSize());
    size_t uiRead = 0;
    EXPECT_TRUE(Data.Read(0, Result.sData.data(), Result.sData.size(), uiRead));
    EXPECT_EQ(uiRead, Result.sData.size());
    return Result;
}

void CollectData(const SItem &Item, const std::string &sPath, std::map<std::string, std::string> &Data)
{
    Data[sPath] = Item.sData;
    for (const SItem &Child : Item.Children)
        CollectData(Child, sPath + "\\" + Child.sName, Data);
}

std::string VariantName(const SOptions &Options)
{
    return "Version" + std::to_string(Options.uiVersion) + (Options.bScatter ? "Scattered" : "") + "Step" +
           std::to_string(Options.uiBlockSize) + "Block" + std::to_string(Options.uiDataBlockSize) +
           (Options.uiEntryChainEnd != 0xFFFFFFFFu ? "ChainEnd" + std::to_string(Options.uiEntryChainEnd) : "");
}

// Options as a parameter of our own, so that its name prints readably.
struct SVariant
{
    SOptions Options;
};

void PrintTo(const SVariant &Value, std::ostream *pStream)
{
    *pStream << VariantName(Value.Options);
}

class IntactData : public testing::TestWithParam<SVariant>
{
};

TEST_P(IntactData, EveryFileReadsBackAsWritten)
{
    const SItem Tree = SampleTree();
    const SArchive Archive = Build(Tree, GetParam().Options);
    std::map<std::string, std::string> Expected;
    CollectData(Tree, "\\root", Expected);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes)) << Reader.GCF.GetLastError();
    for (uint32_t i = 0; i < Reader.GCF.GetItemCount(); i++)
    {
        if (Reader.GCF.IsFolder(i))
            continue;
        const SWalk Result = Walk(Reader.GCF, i);
        const std::string &sExpected = Expected[Archive.Layout.Paths[i]];
        const bool bNoData = Archive.Layout.FirstEntry[i] == Archive.Layout.uiEntryCount;
        EXPECT_EQ(Result.eResult, bNoData ? EDataWalk::NoData : EDataWalk::Complete)
            << Archive.Layout.Paths[i];
        EXPECT_TRUE(Result.sData == sExpected) << Archive.Layout.Paths[i];
        if (!bNoData)
        {
            GCFBlockEntry Entry;
            ASSERT_TRUE(Reader.GCF.ReadBlockEntry(Reader.GCF.GetFirstEntry(i), Entry));
            EXPECT_EQ(Entry.uiOwner, i);
        }
        // Reads at offsets across step and run boundaries, as a preview or a
        // file system asks for them, give the same bytes.
        CItemData Data;
        Data.DescribeItem(Reader.GCF, i);
        const uint64_t uiStep = GetParam().Options.uiBlockSize;
        for (const uint64_t uiOffset : {uint64_t{0}, uint64_t{1}, uiStep - 1, uiStep, sExpected.size() / 2,
                                        uint64_t(sExpected.size()) - 1, uint64_t(sExpected.size()) + 5})
        {
            char Buffer[2000];
            size_t uiRead = 0;
            ASSERT_TRUE(Data.Read(uiOffset, Buffer, sizeof Buffer, uiRead));
            const std::string sWanted = uiOffset < sExpected.size() ? sExpected.substr(uiOffset, sizeof Buffer) : "";
            EXPECT_EQ(std::string(Buffer, uiRead), sWanted) << Archive.Layout.Paths[i] << " at " << uiOffset;
        }
    }
}

SVariant Variant(uint32_t uiVersion, bool bScatter, uint32_t uiBlocksPerEntry, uint32_t uiBlockSize,
                 uint32_t uiDataBlockSize, uint32_t uiEntryChainEnd = 0xFFFFFFFFu)
{
    SOptions Options;
    Options.uiEntryChainEnd = uiEntryChainEnd;
    Options.uiVersion = uiVersion;
    Options.bScatter = bScatter;
    Options.uiBlocksPerEntry = uiBlocksPerEntry;
    Options.uiBlockSize = uiBlockSize;
    Options.uiDataBlockSize = uiDataBlockSize;
    Options.uiSpareBlocks = 3;
    return {Options};
}

INSTANTIATE_TEST_SUITE_P(Layouts, IntactData,
                         // The last ends every entry chain with a value of its own: the
                         // chain's end is the header's uiEntryChainEnd, whatever it holds.
                         testing::Values(Variant(6, false, 0, 8192, 8192), Variant(5, true, 0, 4096, 4096),
                                         Variant(3, true, 3, 1024, 1024), Variant(6, true, 2, 512, 1024),
                                         Variant(6, false, 1, 1024, 1024, 0x12345678u)),
                         [](const testing::TestParamInfo<SVariant> &Info) { return VariantName(Info.param.Options); });

// The file under test has 5.5 blocks of 64 bytes in three block entries of
// at most two blocks; a second file has ten blocks in one entry.
class DamagedData : public testing::Test
{
protected:
    void SetUp() override
    {
        SItem Split = SItem::File("split.bin", PatternData(64 * 5 + 32, 3));
        Split.uiBlocksPerEntry = 2;
        SOptions Options;
        Options.uiBlockSize = Options.uiDataBlockSize = 64;
        Options.uiTrailingBytes = 256;  // room for blocks that the data area does not hold
        Archive = Build(SItem::Folder("root", {Split, SItem::File("long.bin", PatternData(640, 4))}), Options);
        ASSERT_EQ(Archive.Layout.Entries[1].size(), 3u);
        ASSERT_EQ(Archive.Layout.Blocks[2].size(), 10u);
    }

    SWalk WalkAfter(const std::function<void(SArchive &)> &Damage, uint32_t uiIndex = 1)
    {
        Damage(Archive);
        EXPECT_TRUE(Reader.Open(Archive.Bytes)) << Reader.GCF.GetLastError();
        return Walk(Reader.GCF, uiIndex);
    }

public:
    // The uiStep-th block entry of split.bin, and the uiStep-th data block of an item.
    uint32_t Entry(uint32_t uiStep) const { return Archive.Layout.Entries[1][uiStep]; }
    uint32_t Block(uint32_t uiIndex, uint32_t uiStep) const { return Archive.Layout.Blocks[uiIndex][uiStep]; }

protected:
    SArchive Archive;
    SMemoryArchive Reader;
};

TEST_F(DamagedData, HalfBlockAtTheEndNeedsNoLinkAndEmptyEntriesNoBlock)
{
    const std::string sWhole = PatternData(64 * 5 + 32, 3);
    const SWalk Result = WalkAfter(
        [&](SArchive &A)
        {
            SetNextBlock(A, Block(1, 5), 0xFFFFFFFFu);  // the last block's link is never needed
            SetBlockEntryField(A, Entry(1), EEntryField::DataLength, 0);
            SetBlockEntryField(A, Entry(1), EEntryField::FirstBlock, 0xFFFFFFFFu);
        });
    EXPECT_EQ(Result.eResult, EDataWalk::Complete);
    // The middle entry's two blocks are left out.
    EXPECT_TRUE(Result.sData == sWhole.substr(0, 128) + sWhole.substr(256)) << Result.sData.size();
}

// Adjacent blocks make one run; a file whose blocks all follow each other is
// one run however many entries it takes.
TEST_F(DamagedData, AdjacentBlocksMakeOneRun)
{
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    EXPECT_EQ(Walk(Reader.GCF, 1).uiRuns, 1u);
    EXPECT_EQ(Walk(Reader.GCF, 2).uiRuns, 1u);
}

// The fragmentation map ends at its own count, whatever lies after it.
TEST_F(DamagedData, LinksEndWithTheMap)
{
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const uint32_t uiLinkCount = Reader.GCF.GetHeaders().FragmentationMapHeader.uiLinkCount;
    uint32_t uiNextBlock = 0;
    EXPECT_TRUE(Reader.GCF.ReadNextBlock(uiLinkCount - 1, uiNextBlock));
    EXPECT_FALSE(Reader.GCF.ReadNextBlock(uiLinkCount, uiNextBlock));
}

TEST_F(DamagedData, NoItemHoldsMoreThanItsRecordedSize)
{
    const SWalk Result = WalkAfter([&](SArchive &A) { SetDirectoryField(A, 2, EDirField::ItemSize, 100); }, 2);
    EXPECT_EQ(Result.eResult, EDataWalk::TooLong);
    EXPECT_TRUE(Result.sData == PatternData(640, 4).substr(0, 100));
}

struct SChainDamage
{
    const char *szName;
    std::function<void(SArchive &, const DamagedData &)> Damage;
    EDataWalk eExpected;
};

void PrintTo(const SChainDamage &Value, std::ostream *pStream)
{
    *pStream << Value.szName;
}

class BrokenChain : public DamagedData, public testing::WithParamInterface<SChainDamage>
{
};

TEST_P(BrokenChain, EndsWithTheMatchingOutcome)
{
    const SWalk Result = WalkAfter([&](SArchive &A) { GetParam().Damage(A, *this); },
                                   std::string(GetParam().szName).find("Long") == 0 ? 2 : 1);
    EXPECT_EQ(Result.eResult, GetParam().eExpected);
    EXPECT_LT(Result.uiRuns, 40u);
    EXPECT_STRNE(DataWalkReason(Result.eResult), "");
}

INSTANTIATE_TEST_SUITE_P(
    Chains, BrokenChain,
    testing::Values(
        SChainDamage{"FirstEntryOutOfRange",
                     [](SArchive &A, const DamagedData &) { SetDirectoryMap(A, 1, A.Layout.uiEntryCount + 1); },
                     EDataWalk::BadEntry},
        SChainDamage{"NextEntryOutOfRange", [](SArchive &A, const DamagedData &F)
                     { SetBlockEntryField(A, F.Entry(0), EEntryField::NextEntry, 0x7FFFFFFFu); },
                     EDataWalk::BadEntry},
        SChainDamage{"EntryLinksToItself", [](SArchive &A, const DamagedData &F)
                     { SetBlockEntryField(A, F.Entry(1), EEntryField::NextEntry, F.Entry(1)); },
                     EDataWalk::EntryLoop},
        SChainDamage{"LastEntryLinksToFirst", [](SArchive &A, const DamagedData &F)
                     { SetBlockEntryField(A, F.Entry(2), EEntryField::NextEntry, F.Entry(0)); },
                     EDataWalk::EntryLoop},
        SChainDamage{"FirstBlockOutOfRange", [](SArchive &A, const DamagedData &F)
                     {
                         SetBlockEntryField(A, F.Entry(0), EEntryField::FirstBlock,
                                            A.Layout.uiTotalBlocks);
                     },
                     EDataWalk::BadBlock},
        SChainDamage{"LinkBeyondTheMap", [](SArchive &A, const DamagedData &F)
                     {
                         // Block uiTotalBlocks now exists (the trailing bytes hold it) but has no link.
                         ASSERT_EQ(A.Layout.uiLinkCount, A.Layout.uiTotalBlocks);
                         SetDataBlockHeaderField(A, EDataBlockHeaderField::TotalBlocks, A.Layout.uiTotalBlocks + 2);
                         SetBlockEntryField(A, F.Entry(0), EEntryField::FirstBlock,
                                            A.Layout.uiTotalBlocks);
                     },
                     EDataWalk::BadLink},
        SChainDamage{"StepPastTheFileEnd", [](SArchive &A, const DamagedData &F)
                     {
                         // A copy step longer than the last block, which ends the file.
                         SetDataBlockHeaderField(A, EDataBlockHeaderField::TotalBlocks, A.Layout.uiTotalBlocks + 4);
                         SetHeaderField(A, EHeaderField::BlockSize, 128);
                         SetBlockEntryField(A, F.Entry(0), EEntryField::FirstBlock,
                                            A.Layout.uiTotalBlocks + 3);
                         SetBlockEntryField(A, F.Entry(0), EEntryField::DataLength, 100);
                     },
                     EDataWalk::BlockOutsideFile},
        SChainDamage{"BlockLinksToItself", [](SArchive &A, const DamagedData &F)
                     { SetNextBlock(A, F.Block(1, 0), F.Block(1, 0)); },
                     EDataWalk::BlockLoop},
        SChainDamage{"LongChainLoopsBack", [](SArchive &A, const DamagedData &F)
                     { SetNextBlock(A, F.Block(2, 6), F.Block(2, 3)); },
                     EDataWalk::BlockLoop},
        SChainDamage{"LongChainDescendsThenLoops", [](SArchive &A, const DamagedData &F)
                     {
                         // Blocks 9 down to 3 of the long file, then block 9
                         // again, long before the item's size is reached.
                         SetBlockEntryField(A, A.Layout.Entries[2][0], EEntryField::DataLength, 1000);
                         SetBlockEntryField(A, A.Layout.Entries[2][0], EEntryField::FirstBlock, F.Block(2, 9));
                         for (uint32_t uiStep = 9; uiStep > 3; --uiStep)
                             SetNextBlock(A, F.Block(2, uiStep), F.Block(2, uiStep - 1));
                         SetNextBlock(A, F.Block(2, 3), F.Block(2, 9));
                     },
                     EDataWalk::BlockLoop},
        SChainDamage{"LongChainLengthUnbounded", [](SArchive &A, const DamagedData &F)
                     {
                         // The chain ends in a loop through every block: the data
                         // length alone would go on for 2^32 bytes.
                         SetBlockEntryField(A, A.Layout.Entries[2][0], EEntryField::DataLength, 0xFFFFFFFFu);
                         SetNextBlock(A, F.Block(2, 9), F.Block(2, 0));
                     },
                     EDataWalk::TooLong},
        SChainDamage{"EntriesShareABlock", [](SArchive &A, const DamagedData &F)
                     { SetBlockEntryField(A, F.Entry(2), EEntryField::FirstBlock, F.Block(1, 0)); },
                     EDataWalk::BlockLoop},
        SChainDamage{"DataAreaOfNoBytes", [](SArchive &A, const DamagedData &)
                     {
                         // Every block at the same place: a data area of no bytes
                         // holds no item's data.
                         SetDataBlockHeaderField(A, EDataBlockHeaderField::DataBlockSize, 0);
                     },
                     EDataWalk::BlockLoop}),
    [](const testing::TestParamInfo<SChainDamage> &Info) { return std::string(Info.param.szName); });

// One file whose many block entries all read the same block, while its
// recorded size claims 4 GiB: the description holds that block once.
TEST(DataWalk, EntriesThatReadOneBlockAgainAreDamageNotABomb)
{
    SItem Bomb = SItem::File("bomb", PatternData(64 * 200, 5));
    Bomb.uiBlocksPerEntry = 1;
    SOptions Options;
    Options.uiBlockSize = Options.uiDataBlockSize = 64;
    SArchive Archive = Build(SItem::Folder("root", {Bomb}), Options);
    const uint32_t uiFirstBlock = Archive.Layout.Blocks[1][0];
    for (const uint32_t uiEntry : Archive.Layout.Entries[1])
        SetBlockEntryField(Archive, uiEntry, EEntryField::FirstBlock, uiFirstBlock);
    SetDirectoryField(Archive, 1, EDirField::ItemSize, 0xFFFFFFFFu);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const SWalk Result = Walk(Reader.GCF, 1);
    EXPECT_EQ(Result.eResult, EDataWalk::BlockLoop);
    EXPECT_TRUE(Result.sData == PatternData(64, 5));
}

TEST(DataWalk, ClosedReaderHasNoData)
{
    CGCF GCF;
    CItemData Data;
    EXPECT_EQ(Data.Describe(GCF, 0, 100), EDataWalk::BadEntry);
    EXPECT_EQ(Data.DescribeItem(GCF, 0), EDataWalk::NoData);
    EXPECT_TRUE(GCF.GetDataBlock(0).Empty());
    GCFBlockEntry Entry;
    EXPECT_FALSE(GCF.ReadBlockEntry(0, Entry));
}

}  // namespace
