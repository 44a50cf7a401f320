// SPDX-License-Identifier: MIT
// The tree a mount shows, without mounting: names as the Extract command
// writes them, the items left out and why, look-ups and link counts.
#include "tests/support/ExtractionSupport.h"

#include "cli/CMountTree.h"

using namespace Larkspur;
using namespace ExtractionTest;
using GcfBuilder::SArchive;
using GcfBuilder::SItem;

namespace
{

SStrings ChildNames(const CMountTree &Tree, uint64_t uiNode)
{
    SStrings Names;
    for (const uint32_t uiIndex : Tree.GetChildren(uiNode))
        Names.emplace_back(Tree.GetName(CMountTree::NodeOf(uiIndex)));
    return Names;
}

SStrings LeftOut(const CArchiveCase &Case, const CMountTree &Tree)
{
    SStrings Lines;
    for (const SMountLeftOut &Item : Tree.GetLeftOut())
        Lines.push_back(Case.Archive.Layout.Paths[Item.uiDirectoryIndex] + " " + MountLeftOutReason(Item.eReason));
    return Lines;
}

}  // namespace

TEST(MountTree, ShowsWhatExtractWouldWriteAndReportsTheRestOnce)
{
    const std::string sLongest(255, 'n'), sTooLong(256, 'n');
    CArchiveCase Case(SItem::Folder(
        "root", {
                    SItem::File("b", "first b"),
                    SItem::File("..", "up"),
                    SItem::Folder("a", {SItem::File("x", "x"), SItem::File("", "no name")}),
                    SItem::File("a", "a file after the folder a"),
                    SItem::Folder("b", {SItem::File("deep", "below a second b")}),
                    SItem::File("c\\d", "backslash"),
                    SItem::Folder("bad/", {SItem::File("inner", "below an unsafe name")}),
                    SItem::File(sLongest, "255 bytes"),
                    SItem::File(sTooLong, "256 bytes"),
                    SItem::Folder("empty"),
                }));
    CMountTree Tree;
    ASSERT_TRUE(Tree.Build(Case.GCFFile));

    const uint64_t uiRoot = CMountTree::NodeOf(0);
    EXPECT_EQ(ChildNames(Tree, CMountTree::TOP_NODE), SStrings{"root"});
    EXPECT_EQ(ChildNames(Tree, uiRoot), (SStrings{"b", "a", sLongest, "empty"}));
    EXPECT_EQ(ChildNames(Tree, Tree.Lookup(uiRoot, "a")), SStrings{"x"});
    // Only the first item left out on a path is reported; what lies below
    // it is not shown either.
    EXPECT_EQ(LeftOut(Case, Tree), (SStrings{
                                       "\\root\\.. unsafe name",
                                       "\\root\\a\\ unsafe name",
                                       "\\root\\a a second item of this name in the folder",
                                       "\\root\\b a second item of this name in the folder",
                                       "\\root\\c\\d unsafe name",
                                       "\\root\\bad/ unsafe name",
                                       "\\root\\" + sTooLong + " name longer than 255 bytes",
                                   }));
    EXPECT_FALSE(Tree.IsShown(CMountTree::NodeOf(Case.Index("\\root\\b\\deep"))));
    EXPECT_FALSE(Tree.IsShown(CMountTree::NodeOf(Case.Index("\\root\\bad/\\inner"))));

    // Look-ups find the first item of a name; the top node holds the root.
    const struct
    {
        uint64_t uiFolder;
        std::string sName;
        uint64_t uiExpected;
    } Lookups[] = {
        {CMountTree::TOP_NODE, "root", uiRoot},
        {CMountTree::TOP_NODE, "a", CMountTree::NO_NODE},
        {uiRoot, "b", CMountTree::NodeOf(Case.Index("\\root\\b"))},
        {uiRoot, "a", CMountTree::NodeOf(Case.Index("\\root\\a"))},
        {uiRoot, sLongest, CMountTree::NodeOf(Case.Index("\\root\\" + sLongest))},
        {uiRoot, "..", CMountTree::NO_NODE},
        {uiRoot, sTooLong, CMountTree::NO_NODE},
        {uiRoot, "c", CMountTree::NO_NODE},
        {uiRoot, "", CMountTree::NO_NODE},
        {CMountTree::NodeOf(Case.Index("\\root\\b")), "deep", CMountTree::NO_NODE},  // a file holds nothing
    };
    for (const auto &Lookup : Lookups)
        EXPECT_EQ(Tree.Lookup(Lookup.uiFolder, Lookup.sName), Lookup.uiExpected) << Lookup.sName;

    // Links: a folder counts the folders it shows; parents lead up to the top.
    EXPECT_EQ(Tree.GetSubfolderCount(CMountTree::TOP_NODE), 1u);
    EXPECT_EQ(Tree.GetSubfolderCount(uiRoot), 2u);
    EXPECT_EQ(Tree.GetParent(Tree.Lookup(Tree.Lookup(uiRoot, "a"), "x")), Tree.Lookup(uiRoot, "a"));
    EXPECT_EQ(Tree.GetParent(uiRoot), CMountTree::TOP_NODE);
    EXPECT_TRUE(Tree.IsFolder(CMountTree::TOP_NODE));
    EXPECT_FALSE(Tree.IsShown(CMountTree::NodeOf(Case.GCFFile.GetItemCount())));
}

TEST(MountTree, ADamagedDirectoryShowsWhatLiesBeforeTheDamage)
{
    // The last item of the root leads back to the first: a loop.
    CArchiveCase Case(SItem::Folder("root", {SItem::File("one", "1"), SItem::Folder("two", {SItem::File("three", "3")})}),
                      {}, [](SArchive &Archive) { GcfBuilder::SetDirectoryField(Archive, 2, GcfBuilder::EDirField::NextSibling, 1); });
    CMountTree Tree;
    EXPECT_FALSE(Tree.Build(Case.GCFFile));
    EXPECT_EQ(ChildNames(Tree, CMountTree::NodeOf(0)), (SStrings{"one", "two"}));
    EXPECT_EQ(ChildNames(Tree, CMountTree::NodeOf(2)), SStrings{"three"});
    EXPECT_TRUE(Tree.GetLeftOut().empty());
}

// A folder of many items, each name three times: the first item of each name
// in the archive's order shows, however the look-up order sorts them.
TEST(MountTree, InALargeFolderTheFirstItemOfANameShows)
{
    std::vector<SItem> Files;
    for (int iRound = 0; iRound < 3; ++iRound)
        for (int iName = 0; iName < 12; ++iName)
            Files.push_back(SItem::File("n" + std::to_string((iName * 7) % 12), std::to_string(iRound)));
    CArchiveCase Case(SItem::Folder("root", Files));
    CMountTree Tree;
    ASSERT_TRUE(Tree.Build(Case.GCFFile));
    EXPECT_EQ(Tree.GetChildren(CMountTree::NodeOf(0)).size(), 12u);
    EXPECT_EQ(Tree.GetLeftOut().size(), 24u);
    for (int iName = 0; iName < 12; ++iName)
    {
        const std::string sName = "n" + std::to_string(iName);
        // The builder numbers the root's items 1, 2, ... in the archive's order.
        EXPECT_EQ(Tree.Lookup(CMountTree::NodeOf(0), sName), CMountTree::NodeOf(1 + uint32_t((iName * 7) % 12)))
            << sName;
    }
}
