// SPDX-License-Identifier: MIT
// Directory queries: names, paths, counts and sizes of an intact archive,
// the walk order, and damaged links that must end and be reported.

#include "ArchiveTestSupport.h"

#include "GcfBuilder.h"

#include <algorithm>
#include <functional>

using namespace Larkspur;
using namespace ArchiveTest;
using namespace GcfBuilder;

namespace
{

SItem Sized(const std::string &sName, uint32_t uiSize)
{
    SItem Item = SItem::File(sName, "");
    Item.bNoData = true;
    Item.bOverrideItemSize = true;
    Item.uiItemSize = uiSize;
    return Item;
}

// root: 1 a/ (2 b.txt, 3 c/ (4 d.bin, 5 e/), 6 f.txt), 7 g.txt
SItem SmallTree()
{
    return SItem::Folder("stored-root-name",
                         {SItem::Folder("a", {Sized("b.txt", 10),
                                              SItem::Folder("c", {Sized("d.bin", 20), SItem::Folder("e")}),
                                              Sized("f.txt", 30)}),
                          Sized("g.txt", 40)});
}

uint32_t NameStart(const SArchive &Archive, uint32_t uiIndex)
{
    return GetU32(Archive.Bytes, Archive.Layout.uiDirectoryEntries + 28ull * uiIndex);
}

TEST(DirectoryQueries, NamesPathsAndCountsOfAnIntactTree)
{
    const SArchive Archive = Build(SmallTree());
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const CGCF &G = Reader.GCF;
    ASSERT_EQ(G.GetItemCount(), 8u);

    EXPECT_EQ(G.GetDirectoryItemName(0), "root");
    for (uint32_t i = 0; i < G.GetItemCount(); i++)
    {
        std::string sPath;
        G.GetDirectoryItemPath(i, sPath);
        EXPECT_EQ(sPath, Archive.Layout.Paths[i]);
    }
    std::string sTail = "\\tail";
    G.GetDirectoryItemPath(0, sTail);
    EXPECT_EQ(sTail, "\\root\\tail");

    struct SExpected
    {
        uint32_t uiIndex, uiFiles, uiFolders, uiSize;
    };
    for (const SExpected &Row : {SExpected{0, 4, 3, 100}, SExpected{1, 3, 2, 60}, SExpected{3, 1, 1, 20},
                                 SExpected{5, 0, 0, 0}, SExpected{2, 1, 0, 10}})
    {
        EXPECT_EQ(G.GetDirectoryItemFileCount(Row.uiIndex), Row.uiFiles) << Row.uiIndex;
        EXPECT_EQ(G.GetDirectoryItemFolderCount(Row.uiIndex), Row.uiFolders) << Row.uiIndex;
        EXPECT_EQ(G.GetDirectoryItemSize(Row.uiIndex), Row.uiSize) << Row.uiIndex;
    }
    EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(5), 0u);

    std::vector<uint32_t> Children;
    EXPECT_TRUE(G.GetDirectoryItemChildren(1, Children));
    EXPECT_EQ(Children, (std::vector<uint32_t>{2, 3, 6}));
    EXPECT_TRUE(G.GetDirectoryItemChildren(5, Children));
    EXPECT_TRUE(Children.empty());

    std::vector<SDirectoryWalkItem> Items;
    ASSERT_TRUE(G.WalkDirectory(0, Items));
    ASSERT_EQ(Items.size(), 8u);
    const uint32_t ParentSlots[] = {SDirectoryWalkItem::NO_PARENT_SLOT, 0, 1, 1, 3, 3, 1, 0};
    for (uint32_t i = 0; i < 8; i++)
    {
        EXPECT_EQ(Items[i].uiDirectoryIndex, i);  // the builder numbers items in pre-order
        EXPECT_EQ(Items[i].uiParentSlot, ParentSlots[i]) << i;
    }
    ASSERT_TRUE(G.WalkDirectory(3, Items));
    ASSERT_EQ(Items.size(), 3u);
    EXPECT_EQ(Items[2].uiParentSlot, 0u);
}

TEST(DirectoryQueries, BadIndexAnswersAsAnEmptyItem)
{
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Build(SmallTree()).Bytes));
    const CGCF &G = Reader.GCF;
    for (uint32_t uiBad : {8u, 0x7FFFFFFFu, 0xFFFFFFFFu})
    {
        EXPECT_EQ(G.GetDirectoryEntry(uiBad), nullptr);
        EXPECT_EQ(G.GetDirectoryItemName(uiBad), "");
        EXPECT_FALSE(G.IsFolder(uiBad));
        EXPECT_EQ(G.GetDirectoryItemFileCount(uiBad) + G.GetDirectoryItemFolderCount(uiBad) +
                      G.GetDirectoryItemSize(uiBad) + G.GetDirectoryItemSizeOnDisk(uiBad),
                  0u);
        EXPECT_EQ(G.GetFirstEntry(uiBad), G.GetHeaders().BlockEntryHeader.uiEntryCount);
        std::string sPath;
        G.GetDirectoryItemPath(uiBad, sPath);
        EXPECT_EQ(sPath, "");
        std::vector<uint32_t> Children;
        EXPECT_FALSE(G.GetDirectoryItemChildren(uiBad, Children));
        std::vector<SDirectoryWalkItem> Items;
        EXPECT_FALSE(G.WalkDirectory(uiBad, Items));
    }
    GCFBlockEntry Entry;
    EXPECT_FALSE(G.ReadBlockEntry(G.GetHeaders().BlockEntryHeader.uiEntryCount, Entry));
}

// A file takes whole blocks of the GCF Header's block size (the copy step,
// not the Data Block Header's spacing of the blocks), and one more block when
// its size is an exact multiple; sums wrap at 32 bits like every size in the
// archive.
TEST(DirectoryQueries, SizeOnDiskIsWholeBlocksOfTheCopyStep)
{
    const SItem Root = SItem::Folder(
        "root", {SItem::Folder("sizes", {Sized("0", 0), Sized("1", 1), Sized("8191", 8191), Sized("8192", 8192),
                                         Sized("8193", 8193)}),
                 SItem::Folder("wrap", {Sized("big1", 0xFFFFFFF0u), Sized("big2", 0x20)})});
    const struct
    {
        uint32_t uiBlockSize, uiDataBlockSize;
        uint32_t Expected[5];
    } Cases[] = {
        {8192, 8192, {0, 8192, 8192, 16384, 16384}},
        {8192, 512, {0, 8192, 8192, 16384, 16384}},
        {512, 8192, {0, 512, 8192, 8704, 8704}},
    };
    for (const auto &Case : Cases)
    {
        SCOPED_TRACE(Case.uiBlockSize);
        SOptions Options;
        Options.uiBlockSize = Case.uiBlockSize;
        Options.uiDataBlockSize = Case.uiDataBlockSize;
        SMemoryArchive Reader;
        ASSERT_TRUE(Reader.Open(Build(Root, Options).Bytes)) << Reader.GCF.GetLastError();
        const CGCF &G = Reader.GCF;
        uint32_t uiSum = 0;
        for (uint32_t i = 0; i < 5; i++)
        {
            EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(2 + i), Case.Expected[i]) << G.GetDirectoryItemName(2 + i);
            uiSum += Case.Expected[i];
        }
        EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(1), uiSum);
        EXPECT_EQ(G.GetDirectoryItemSize(7), 0x10u);  // 0xFFFFFFF0 + 0x20 modulo 2^32
        // 0xFFFFFFF0 rounds up to exactly 2^32, which wraps to 0; 0x20 takes a block.
        EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(7), Case.uiBlockSize);
        EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(0), uiSum + Case.uiBlockSize);
    }
}

// Any flags but 0 make a file, whichever bits they hold, and a file's child
// link is never followed: here every file's link names an item outside the
// folder, which no count or walk of the folder may reach.
TEST(DirectoryQueries, EveryNonZeroFlagsValueIsAFile)
{
    const uint32_t Flags[] = {0x1, 0x8, 0x4000, 0xB};
    SItem Folder = SItem::Folder("folder");
    for (const uint32_t uiFlags : Flags)
    {
        SItem File = Sized(std::to_string(uiFlags), 100);
        File.uiFlags = uiFlags;
        Folder.Children.push_back(File);
    }
    // root: 1 folder/ (2 to 5, the files), 6 outside
    SArchive Archive = Build(SItem::Folder("root", {Folder, Sized("outside", 70000)}));
    for (uint32_t uiIndex = 2; uiIndex <= 5; uiIndex++)
        SetDirectoryField(Archive, uiIndex, EDirField::FirstChild, 6);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const CGCF &G = Reader.GCF;
    for (uint32_t i = 0; i < std::size(Flags); i++)
    {
        const uint32_t uiIndex = 2 + i;
        ASSERT_EQ(G.GetDirectoryEntry(uiIndex)->uiFlags, Flags[i]);
        EXPECT_FALSE(G.IsFolder(uiIndex)) << Flags[i];
        EXPECT_EQ(G.GetDirectoryItemFileCount(uiIndex), 1u) << Flags[i];
        EXPECT_EQ(G.GetDirectoryItemFolderCount(uiIndex), 0u) << Flags[i];
        EXPECT_EQ(G.GetDirectoryItemSize(uiIndex), 100u) << Flags[i];
        EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(uiIndex), 8192u) << Flags[i];
        std::vector<uint32_t> Children{99};
        EXPECT_TRUE(G.GetDirectoryItemChildren(uiIndex, Children)) << Flags[i];
        EXPECT_TRUE(Children.empty()) << Flags[i];
    }
    EXPECT_TRUE(G.IsFolder(1));
    EXPECT_EQ(G.GetDirectoryItemFileCount(1), 4u);
    EXPECT_EQ(G.GetDirectoryItemFolderCount(0), 1u);
    EXPECT_EQ(G.GetDirectoryItemSize(1), 400u);
    EXPECT_EQ(G.GetDirectoryItemSizeOnDisk(1), 4 * 8192u);
    std::vector<SDirectoryWalkItem> Items;
    EXPECT_TRUE(G.WalkDirectory(0, Items));
    EXPECT_EQ(Items.size(), 7u);
}

// One damaged link or name per row; every query must end, and the walk must
// say that the directory is damaged. The folder next to the damage lists the
// items its chain reaches (a chain that loops stops when it holds as many
// items as a folder can: all but the root) and counts no item twice, nor
// itself.
struct SLinkDamage
{
    const char *szName;
    std::function<void(SArchive &)> Damage;
    uint32_t uiFolder;
    std::vector<uint32_t> Children;
    bool bChildrenWhole;
    uint32_t uiFolders;    // folders below uiFolder
    uint32_t uiRootFiles;  // files below the root
};

void PrintTo(const SLinkDamage &Value, std::ostream *pStream)
{
    *pStream << Value.szName;
}

class DamagedDirectory : public testing::TestWithParam<SLinkDamage>
{
};

TEST_P(DamagedDirectory, QueriesEndAndTheWalkFails)
{
    const SLinkDamage &Row = GetParam();
    SArchive Archive = Build(SmallTree());
    Row.Damage(Archive);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const CGCF &G = Reader.GCF;

    std::vector<SDirectoryWalkItem> Items;
    EXPECT_FALSE(G.WalkDirectory(0, Items));
    EXPECT_LE(Items.size(), 8u);
    std::vector<uint32_t> Children;
    EXPECT_EQ(G.GetDirectoryItemChildren(Row.uiFolder, Children), Row.bChildrenWhole);
    EXPECT_EQ(Children, Row.Children);
    EXPECT_EQ(G.GetDirectoryItemFolderCount(Row.uiFolder), Row.uiFolders);
    EXPECT_EQ(G.GetDirectoryItemFileCount(0), Row.uiRootFiles);
    for (uint32_t i = 0; i < 8; i++)
    {
        std::string sPath;
        G.GetDirectoryItemPath(i, sPath);
        EXPECT_LE(sPath.size(), 8u * 32u);
        G.GetDirectoryItemFolderCount(i);
        G.GetDirectoryItemSizeOnDisk(i);
    }
}

// root: 1 a/ (2 b.txt, 3 c/ (4 d.bin, 5 e/), 6 f.txt), 7 g.txt
INSTANTIATE_TEST_SUITE_P(
    Links, DamagedDirectory,
    testing::Values(
        SLinkDamage{"SiblingLoop", [](SArchive &A) { SetDirectoryField(A, 6, EDirField::NextSibling, 2); },
                    1, {2, 3, 6, 2, 3, 6, 2}, false, 2, 4},
        SLinkDamage{"SiblingSelfLoop", [](SArchive &A) { SetDirectoryField(A, 7, EDirField::NextSibling, 7); },
                    0, {1, 7, 7, 7, 7, 7, 7}, false, 3, 4},
        SLinkDamage{"ChildIsItsFolder", [](SArchive &A) { SetDirectoryField(A, 5, EDirField::FirstChild, 3); },
                    5, {3, 6}, true, 1, 4},
        SLinkDamage{"ChildIsAnAncestor", [](SArchive &A) { SetDirectoryField(A, 3, EDirField::FirstChild, 1); },
                    1, {2, 3, 6}, true, 1, 3},
        SLinkDamage{"ChildOutOfRange", [](SArchive &A) { SetDirectoryField(A, 3, EDirField::FirstChild, 8); },
                    3, {}, false, 0, 3},
        SLinkDamage{"SiblingOutOfRange",
                    [](SArchive &A) { SetDirectoryField(A, 3, EDirField::NextSibling, 0xFFFFFFFFu); },
                    1, {2, 3}, false, 2, 3},
        SLinkDamage{"SharedSubtree", [](SArchive &A) { SetDirectoryField(A, 7, EDirField::NextSibling, 3); },
                    0, {1, 7, 3, 6}, true, 3, 4},
        SLinkDamage{"NameOutsideTable",
                    [](SArchive &A)
                    { SetDirectoryField(A, 4, EDirField::NameStart, A.Layout.uiNameTableSize); },
                    1, {2, 3, 6}, true, 2, 4}),
    [](const testing::TestParamInfo<SLinkDamage> &Info) { return std::string(Info.param.szName); });

TEST(DirectoryQueries, ParentLinksThatLoopOrLeaveTheDirectoryEndThePath)
{
    SArchive Archive = Build(SmallTree());
    SetDirectoryField(Archive, 3, EDirField::Parent, 5);  // c's parent is its own child e
    SetDirectoryField(Archive, 6, EDirField::Parent, 99);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    std::string sPath;
    Reader.GCF.GetDirectoryItemPath(4, sPath);
    EXPECT_EQ(sPath, "\\c\\e\\c\\e\\c\\e\\c\\d.bin");  // cut after as many steps as items
    sPath.clear();
    Reader.GCF.GetDirectoryItemPath(6, sPath);
    EXPECT_EQ(sPath, "\\f.txt");
}

TEST(DirectoryQueries, NameWithoutNulEndsAtTheTableEnd)
{
    SArchive Archive = Build(SmallTree());
    uint32_t uiLast = 1;
    for (uint32_t i = 1; i < 8; i++)
        if (NameStart(Archive, i) > NameStart(Archive, uiLast))
            uiLast = i;
    // Cut the table inside the last name, before its NUL.
    SetDirectoryHeaderField(Archive, EDirectoryHeaderField::NameTableSize, NameStart(Archive, uiLast) + 2);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    const std::string sFull = Archive.Layout.Paths[uiLast].substr(Archive.Layout.Paths[uiLast].rfind('\\') + 1);
    ASSERT_GE(sFull.size(), 3u);
    EXPECT_EQ(Reader.GCF.GetDirectoryItemName(uiLast), sFull.substr(0, 2));
}

// Every name runs on through a 4 MiB table without a NUL, and the parent
// chain loops: each name is cut at 4 KiB, so neither a name nor a path can ask
// for gigabytes, and the walk that the tree and the search stand on calls the
// directory damaged.
TEST(DirectoryQueries, NamesThatRunOnAreCutAndMakeTheDirectoryDamaged)
{
    SOptions Options;
    Options.uiNameTableSize = 4u << 20;
    SArchive Archive = Build(SmallTree(), Options);
    std::fill_n(Archive.Bytes.begin() + Archive.Layout.uiNameTable, Options.uiNameTableSize, 'x');
    for (uint32_t i = 1; i < 8; i++)
        SetDirectoryField(Archive, i, EDirField::NameStart, 0);
    SetDirectoryField(Archive, 1, EDirField::Parent, 1);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    EXPECT_EQ(Reader.GCF.GetDirectoryItemName(2).size(), 4096u);
    std::string sPath;
    Reader.GCF.GetDirectoryItemPath(2, sPath);
    EXPECT_LE(sPath.size(), 8u * 4097u);
    std::vector<SDirectoryWalkItem> Items;
    EXPECT_FALSE(Reader.GCF.WalkDirectory(0, Items));
}

// A chain of 100,000 folders, each inside the one before: far deeper than a
// recursive walk's stack allows.
TEST(DirectoryQueries, DeepNestingIsWalkedWithoutRecursion)
{
    const uint32_t uiDepth = 100000;
    SArchive Archive = Build(WideTree(1, uiDepth - 1));
    const uint32_t uiItems = Archive.Layout.uiItemCount;
    ASSERT_EQ(uiItems, uiDepth + 1);
    for (uint32_t i = 2; i < uiItems; i++)
    {
        SetDirectoryField(Archive, i, EDirField::Flags, 0);
        SetDirectoryField(Archive, i, EDirField::Parent, i - 1);
        SetDirectoryField(Archive, i, EDirField::NextSibling, 0);
        SetDirectoryField(Archive, i - 1, EDirField::FirstChild, i);
    }
    SetDirectoryField(Archive, uiItems - 1, EDirField::FirstChild, 0);
    SMemoryArchive Reader;
    ASSERT_TRUE(Reader.Open(Archive.Bytes));
    std::vector<SDirectoryWalkItem> Items;
    ASSERT_TRUE(Reader.GCF.WalkDirectory(0, Items));
    ASSERT_EQ(Items.size(), uiItems);
    EXPECT_EQ(Items.back().uiDirectoryIndex, uiItems - 1);
    EXPECT_EQ(Items.back().uiParentSlot, uiItems - 2);
    EXPECT_EQ(Reader.GCF.GetDirectoryItemFolderCount(0), uiDepth);
    std::string sPath;
    Reader.GCF.GetDirectoryItemPath(uiItems - 1, sPath);
    EXPECT_EQ(std::count(sPath.begin(), sPath.end(), '\\'), uiItems);
}

}  // namespace
