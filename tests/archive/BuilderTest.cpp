// SPDX-License-Identifier: MIT
// Self-tests of the archive builder. They read the bytes back on their own,
// by the format's locating rules, so a builder fault cannot hide behind the
// reader that the other tests aim at.

#include "tests/builder/GcfBuilder.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>

using namespace GcfBuilder;

namespace
{

// Positions worked out from the fields in the bytes alone.
struct SLocated
{
    uint32_t uiVersion = 0, uiBlockSize = 0, uiEntryChainEnd = 0, uiEntryCount = 0, uiLinkCount = 0;
    uint64_t uiBlockEntries = 0, uiFragmentationMapHeader = 0, uiFragmentationMap = 0;
    uint64_t uiBlockEntryMapHeader = 0, uiDirectoryHeader = 0, uiDirectoryEntries = 0, uiNameTable = 0;
    uint64_t uiSideTableD = 0, uiDirectoryMapHeader = 0, uiDirectoryMap = 0, uiChecksumHeader = 0;
    uint64_t uiChecksumMapHeader = 0, uiChecksumEntries = 0, uiDataBlockHeader = 0;
    uint32_t uiItemCount = 0, uiTotalBlocks = 0, uiDataBlockSize = 0, uiDataStart = 0, uiUsedBlocks = 0;
};

SLocated Locate(const std::vector<uint8_t> &Bytes)
{
    SLocated L;
    L.uiVersion = GetU32(Bytes, 8);
    L.uiBlockSize = GetU32(Bytes, 32);
    L.uiEntryChainEnd = GetU32(Bytes, 36);
    L.uiEntryCount = GetU32(Bytes, 44);
    L.uiBlockEntries = 76;
    L.uiFragmentationMapHeader = 76 + 28ull * L.uiEntryCount;
    L.uiLinkCount = GetU32(Bytes, L.uiFragmentationMapHeader);
    L.uiFragmentationMap = L.uiFragmentationMapHeader + 16;
    L.uiDirectoryHeader = L.uiFragmentationMap + 4ull * L.uiLinkCount;
    if (L.uiVersion != 6)
    {
        L.uiBlockEntryMapHeader = L.uiDirectoryHeader;
        L.uiDirectoryHeader = L.uiBlockEntryMapHeader + 20 + 8ull * GetU32(Bytes, L.uiBlockEntryMapHeader);
    }
    const uint64_t uiD = L.uiDirectoryHeader;
    L.uiItemCount = GetU32(Bytes, uiD + 12);
    L.uiDirectoryEntries = uiD + 56;
    L.uiNameTable = L.uiDirectoryEntries + 28ull * L.uiItemCount;
    L.uiSideTableD = L.uiNameTable + GetU32(Bytes, uiD + 28) + 4ull * GetU32(Bytes, uiD + 32) +
                     4ull * L.uiItemCount + 4ull * GetU32(Bytes, uiD + 36);
    L.uiDirectoryMap = uiD + GetU32(Bytes, uiD + 24);
    if (L.uiVersion != 3)
    {
        L.uiDirectoryMapHeader = L.uiDirectoryMap;
        L.uiDirectoryMap += 8;
    }
    L.uiChecksumHeader = L.uiDirectoryMap + 4ull * L.uiItemCount;
    L.uiChecksumMapHeader = L.uiChecksumHeader + 8;
    L.uiChecksumEntries = L.uiChecksumMapHeader + 16 + 8ull * GetU32(Bytes, L.uiChecksumMapHeader + 8);
    L.uiDataBlockHeader =
        L.uiChecksumMapHeader + GetU32(Bytes, L.uiChecksumHeader + 4) - (L.uiVersion == 3 ? 4 : 0);
    L.uiTotalBlocks = GetU32(Bytes, L.uiDataBlockHeader + 4);
    L.uiDataBlockSize = GetU32(Bytes, L.uiDataBlockHeader + 8);
    L.uiDataStart = GetU32(Bytes, L.uiDataBlockHeader + 12);
    L.uiUsedBlocks = GetU32(Bytes, L.uiDataBlockHeader + 16);
    return L;
}

uint32_t DirField(const std::vector<uint8_t> &Bytes, const SLocated &L, uint32_t uiIndex, EDirField eField)
{
    return GetU32(Bytes, L.uiDirectoryEntries + 28ull * uiIndex + static_cast<uint32_t>(eField));
}

uint32_t EntryField(const std::vector<uint8_t> &Bytes, const SLocated &L, uint32_t uiEntry, EEntryField eField)
{
    return GetU32(Bytes, L.uiBlockEntries + 28ull * uiEntry + static_cast<uint32_t>(eField));
}

// An item's data by its entry and block chains; every block taken goes into
// Used, and a block taken twice or a step outside the file fails the test.
std::string ReadItemData(const std::vector<uint8_t> &Bytes, const SLocated &L, uint32_t uiIndex,
                         std::set<uint32_t> &Used)
{
    std::string sData;
    uint32_t uiEntry = GetU32(Bytes, L.uiDirectoryMap + 4ull * uiIndex);
    if (uiEntry == L.uiEntryCount)
        return sData;
    EXPECT_EQ(EntryField(Bytes, L, uiEntry, EEntryField::Owner), uiIndex);
    for (uint32_t uiSteps = 0; uiSteps <= L.uiEntryCount; ++uiSteps)
    {
        uint32_t uiRemaining = EntryField(Bytes, L, uiEntry, EEntryField::DataLength);
        uint32_t uiBlock = EntryField(Bytes, L, uiEntry, EEntryField::FirstBlock);
        while (uiRemaining > 0)
        {
            EXPECT_LT(uiBlock, L.uiTotalBlocks);
            EXPECT_TRUE(Used.insert(uiBlock).second) << "block " << uiBlock << " used twice";
            const uint32_t uiStep = std::min(uiRemaining, L.uiBlockSize);
            const uint64_t uiAt = L.uiDataStart + uint64_t(uiBlock) * L.uiDataBlockSize;
            if (uiAt + uiStep > Bytes.size())
            {
                ADD_FAILURE() << "block " << uiBlock << " reads past the end of the file";
                return sData;
            }
            sData.append(reinterpret_cast<const char *>(Bytes.data() + uiAt), uiStep);
            uiRemaining -= uiStep;
            if (uiRemaining > 0)
                uiBlock = GetU32(Bytes, L.uiFragmentationMap + 4ull * uiBlock);
        }
        const uint32_t uiNext = EntryField(Bytes, L, uiEntry, EEntryField::NextEntry);
        if (uiNext == L.uiEntryChainEnd)
            return sData;
        uiEntry = uiNext;
    }
    ADD_FAILURE() << "the entry chain of item " << uiIndex << " does not end";
    return sData;
}

// The described tree in pre-order, with the parent index of each item.
void Preorder(const SItem &Item, uint32_t uiParent, std::vector<std::pair<const SItem *, uint32_t>> &Items)
{
    const uint32_t uiIndex = static_cast<uint32_t>(Items.size());
    Items.emplace_back(&Item, uiParent);
    for (const SItem &Child : Item.Children)
        Preorder(Child, uiIndex, Items);
}

SItem ContentTree()
{
    SItem Root = SampleTree();
    SItem Missing = SItem::File("missing.txt", "not stored");
    Missing.bNoData = true;
    SItem Liar = SItem::File("liar.bin", PatternData(3000, 9));
    Liar.bOverrideItemSize = true;
    Liar.uiItemSize = 12;
    Liar.uiFlags = 0x0000000Bu;
    Root.Children.push_back(Missing);
    Root.Children.push_back(Liar);
    return Root;
}

struct SConfig
{
    const char *szName;
    SOptions Options;
    SItem Tree;
};

std::vector<SConfig> ContentConfigs()
{
    std::vector<SConfig> Configs;
    Configs.push_back({"v6 in order", {}, ContentTree()});
    SOptions Scattered;
    Scattered.uiVersion = 5;
    Scattered.bScatter = true;
    Scattered.uiSeed = 11;
    Scattered.uiSpareBlocks = 7;
    Scattered.uiEntryChainEnd = 0x12345678u;
    Configs.push_back({"v5 scattered", Scattered, ContentTree()});
    SOptions Split = Scattered;
    Split.uiVersion = 3;
    Split.uiBlocksPerEntry = 1;
    Split.uiBlockSize = 4096;  // copy steps shorter than the blocks
    Split.uiTrailingBytes = 10;
    Split.bHasRecordedSize = true;
    Split.uiRecordedSize = 77;
    Configs.push_back({"v3 one block per entry, short steps", Split, ContentTree()});
    SOptions Long;
    Long.uiBlockSize = 16384;  // one step longer than a block: the file must still hold it
    Long.uiDataBlockSize = 4096;
    Configs.push_back({"v6 step longer than a block", Long, SItem::Folder("r", {SItem::File("x", PatternData(10000, 2))})});
    return Configs;
}

}  // namespace

TEST(BuilderLayout, EveryArchiveReadsBackByTheFormatsRules)
{
    for (const SConfig &Config : ContentConfigs())
    {
        SCOPED_TRACE(Config.szName);
        const SArchive Archive = Build(Config.Tree, Config.Options);
        const std::vector<uint8_t> &B = Archive.Bytes;
        const SLayout &Layout = Archive.Layout;
        const SLocated L = Locate(B);

        // The layout points where the locating rules lead.
        EXPECT_EQ(L.uiFragmentationMapHeader, Layout.uiFragmentationMapHeader);
        EXPECT_EQ(L.uiBlockEntryMapHeader, Layout.uiBlockEntryMapHeader);
        EXPECT_EQ(L.uiDirectoryHeader, Layout.uiDirectoryHeader);
        EXPECT_EQ(L.uiNameTable, Layout.uiNameTable);
        EXPECT_EQ(L.uiSideTableD, Layout.uiSideTableD);
        EXPECT_EQ(L.uiDirectoryMapHeader, Layout.uiDirectoryMapHeader);
        EXPECT_EQ(L.uiDirectoryMap, Layout.uiDirectoryMap);
        EXPECT_EQ(L.uiChecksumMapHeader, Layout.uiChecksumMapHeader);
        EXPECT_EQ(L.uiDataBlockHeader, Layout.uiDataBlockHeader);
        EXPECT_EQ(L.uiDataStart, Layout.uiDataStart);
        EXPECT_LE(L.uiSideTableD, L.uiDirectoryMap) << "the directory size must cover the side tables";
        EXPECT_LE(L.uiChecksumEntries, L.uiDataBlockHeader) << "the Data Block Header overlaps the checksum map";
        EXPECT_LE(L.uiDataBlockHeader + 24, L.uiDataStart);
        EXPECT_EQ(L.uiLinkCount, L.uiTotalBlocks);
        EXPECT_EQ(B.size(), Layout.uiFileSize);
        if (L.uiBlockSize <= L.uiDataBlockSize)
        {
            EXPECT_EQ(B.size(), L.uiDataStart + uint64_t(L.uiTotalBlocks) * L.uiDataBlockSize +
                                    Config.Options.uiTrailingBytes);
        }
        EXPECT_EQ(GetU32(B, 28), Config.Options.bHasRecordedSize ? Config.Options.uiRecordedSize : B.size());

        // Directory entries, names and data match the described tree.
        std::vector<std::pair<const SItem *, uint32_t>> Items;
        Preorder(Config.Tree, 0xFFFFFFFFu, Items);
        ASSERT_EQ(L.uiItemCount, Items.size());
        std::vector<uint32_t> FirstChild(Items.size(), 0), NextSibling(Items.size(), 0), Previous(Items.size(), 0);
        for (uint32_t i = 1; i < Items.size(); ++i)
        {
            const uint32_t uiParent = Items[i].second;
            (Previous[uiParent] == 0 ? FirstChild[uiParent] : NextSibling[Previous[uiParent]]) = i;
            Previous[uiParent] = i;
        }
        std::set<uint32_t> Used;
        for (uint32_t i = 0; i < Items.size(); ++i)
        {
            const SItem &Item = *Items[i].first;
            SCOPED_TRACE(Layout.Paths[i]);
            const char *szName =
                reinterpret_cast<const char *>(B.data() + L.uiNameTable + DirField(B, L, i, EDirField::NameStart));
            EXPECT_EQ(std::string(szName), Item.sName);
            EXPECT_EQ(DirField(B, L, i, EDirField::Parent), Items[i].second);
            EXPECT_EQ(DirField(B, L, i, EDirField::NextSibling), NextSibling[i]);
            EXPECT_EQ(DirField(B, L, i, EDirField::FirstChild), FirstChild[i]);
            const uint32_t uiFlags = DirField(B, L, i, EDirField::Flags);
            const uint32_t uiItemSize = DirField(B, L, i, EDirField::ItemSize);
            if (Item.bFolder)
            {
                EXPECT_EQ(uiFlags, 0u);
                EXPECT_EQ(uiItemSize, Item.Children.size());
                EXPECT_EQ(GetU32(B, L.uiDirectoryMap + 4ull * i), L.uiEntryCount);
                continue;
            }
            EXPECT_NE(uiFlags, 0u);
            EXPECT_EQ(uiItemSize, Item.bOverrideItemSize ? Item.uiItemSize : Item.sData.size());
            EXPECT_EQ(ReadItemData(B, L, i, Used), Item.bNoData ? std::string() : Item.sData);
            EXPECT_EQ(GetU32(B, L.uiDirectoryMap + 4ull * i), Layout.FirstEntry[i]);
        }
        EXPECT_EQ(Used.size(), L.uiUsedBlocks) << "every used block belongs to exactly one chain";
    }
}

TEST(BuilderLayout, SplitsAndScattersChains)
{
    SOptions Options;
    Options.bScatter = true;
    Options.uiBlocksPerEntry = 4;
    const SArchive Archive = Build(SampleTree(), Options);
    const SLayout &Layout = Archive.Layout;
    // de_larkspur.bsp: 300000 bytes are 37 blocks, in ten entries of up to four.
    ASSERT_EQ(Layout.Paths[2], "\\root\\maps\\de_larkspur.bsp");
    ASSERT_EQ(Layout.Entries[2].size(), 10u);
    ASSERT_EQ(Layout.Blocks[2].size(), 37u);
    EXPECT_EQ(GetU32(Archive.Bytes, Layout.uiBlockEntries + 28ull * Layout.Entries[2][9] + 8), 300000u - 36 * 8192);
    bool bBackwards = false, bForwards = false;
    for (size_t i = 1; i < Layout.Blocks[2].size(); ++i)
        (Layout.Blocks[2][i] < Layout.Blocks[2][i - 1] ? bBackwards : bForwards) = true;
    EXPECT_TRUE(bBackwards && bForwards);
    // An empty file has one entry of length 0 and no block.
    const uint32_t uiEmpty = 4;
    ASSERT_EQ(Layout.Paths[uiEmpty], "\\root\\maps\\empty.res");
    ASSERT_EQ(Layout.Entries[uiEmpty].size(), 1u);
    EXPECT_EQ(GetU32(Archive.Bytes, Layout.uiBlockEntries + 28ull * Layout.Entries[uiEmpty][0] + 8), 0u);
    EXPECT_TRUE(Layout.Blocks[uiEmpty].empty());
}

TEST(BuilderOutput, IsDeterministicAndStreamsTheSameBytes)
{
    SOptions Options;
    Options.bScatter = true;
    Options.uiSpareBlocks = 5;
    Options.uiTrailingBytes = 3;
    const SArchive First = Build(SampleTree(), Options);
    EXPECT_EQ(First.Bytes, Build(SampleTree(), Options).Bytes);
    SOptions OtherSeed = Options;
    OtherSeed.uiSeed = 2;
    EXPECT_NE(First.Bytes, Build(SampleTree(), OtherSeed).Bytes);

    const std::filesystem::path Dir = std::filesystem::path(testing::TempDir()) / "builder-stream";
    std::filesystem::create_directories(Dir);
    const std::string sPath = (Dir / "streamed.gcf").string();
    SLayout Layout;
    ASSERT_TRUE(BuildToFile(SampleTree(), Options, sPath, &Layout));
    std::ifstream Stream(sPath, std::ios::binary);
    const std::vector<uint8_t> Streamed{std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>()};
    EXPECT_EQ(Streamed, First.Bytes);
    EXPECT_EQ(Layout.uiDataStart, First.Layout.uiDataStart);
    EXPECT_EQ(Layout.Blocks, First.Layout.Blocks);
    std::filesystem::remove_all(Dir);
}
