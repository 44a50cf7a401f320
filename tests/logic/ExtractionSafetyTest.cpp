// SPDX-License-Identifier: MIT
// The extraction engine on damaged or hostile archives and awkward targets:
// nothing lands outside the chosen folder, nothing hangs or crashes, each
// failure is one red line and the run goes on.
#include "tests/support/ExtractionSupport.h"

#include <sys/stat.h>
#include <unistd.h>

using namespace Larkspur;
using namespace ExtractionTest;
using GcfBuilder::SItem;
using GcfBuilder::SArchive;

TEST(ExtractionSafety, UnsafeNamesAreRefusedAndTheirSiblingsWritten)
{
    for (const std::string sName : {"", ".", "..", "../escape", "a/b", "..\\..\\x", "/absolute", "\\"})
    {
        for (const bool bFolder : {false, true})
        {
            SCOPED_TRACE((bFolder ? "folder " : "file ") + sName);
            const SItem Bad = bFolder ? SItem::Folder(sName, {SItem::File("in", "in")}) : SItem::File(sName, "bad");
            CArchiveCase Case(SItem::Folder("root", {SItem::File("first", "1"), Bad, SItem::File("last", "2")}));
            const std::string sOut = Case.Temp / "deep/out";
            EXPECT_TRUE(Case.Engine.ExtractItem(sOut, 0));
            EXPECT_EQ(Case.Red(), SStrings{"Error writing " + sName + " (unsafe name)."});
            EXPECT_EQ(ListTree(Case.Temp.sPath), (SStrings{"archive.gcf", "deep", "deep/out", "deep/out/root",
                                                           "deep/out/root/first", "deep/out/root/last"}));
        }
    }
}

TEST(ExtractionSafety, TheDataOwnerIsCheckedToo)
{
    // "good" carries its data under another owner: one whose name climbs
    // out, then one outside the directory. The file is named from the item
    // itself, and refused: the data is not its own.
    for (const uint32_t uiOwner : {2u, 999999u})
    {
        CArchiveCase Case(SItem::Folder("root", {SItem::File("good", "good"), SItem::File("../evil", "evil")}), {},
                          [&](SArchive &A) {
                              GcfBuilder::SetBlockEntryField(A, A.Layout.FirstEntry[1], GcfBuilder::EEntryField::Owner, uiOwner);
                          });
        EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, 1));
        EXPECT_EQ(Case.Red(), SStrings{"Error writing " + Case.sOut + "/good (the data belongs to another item)."});
        EXPECT_EQ(ListTree(Case.Temp.sPath), (SStrings{"archive.gcf", "out"}));
    }
}

// ExtractFile by a block entry writes the file whose data the entry starts,
// named after the entry's owner, and nothing else.
TEST(ExtractionSafety, ExtractFileWritesOnlyTheFileItsEntryStarts)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::File("good", "good"), SItem::File("../evil", "evil")}));
    ASSERT_TRUE(Case.Engine.CreateDirectory(Case.sOut));
    EXPECT_TRUE(Case.Engine.ExtractFile(Case.sOut + "/", Case.GCFFile.GetFirstEntry(1)));
    EXPECT_FALSE(Case.Engine.ExtractFile(Case.sOut + "/", Case.GCFFile.GetFirstEntry(2)));
    EXPECT_FALSE(Case.Engine.ExtractFile(Case.sOut + "/", 999999));
    EXPECT_EQ(Case.Red(), (SStrings{"Error writing ../evil (unsafe name).",
                                    "Error writing " + Case.sOut + "/ (block entry index out of range)."}));
    EXPECT_EQ(ListTree(Case.Temp.sPath), (SStrings{"archive.gcf", "out", "out/good"}));
}

// Each damage to a file's chains: one red line with the reason, the bytes
// before the damage kept, the next file written.
TEST(ExtractionSafety, DamagedChainsStopTheFileAndTheRunGoesOn)
{
    using GcfBuilder::EEntryField;
    struct SCase
    {
        std::function<void(SArchive &, uint32_t uiEntry, uint32_t uiFirstBlock)> Damage;
        EDataWalk eReason;
        size_t uiKept;  // bytes of the intact data expected at the start of the file
    };
    const std::vector<SCase> Cases = {
        {[](SArchive &A, uint32_t e, uint32_t) { SetBlockEntryField(A, e, EEntryField::FirstBlock, 0xFFFFFF); },
         EDataWalk::BadBlock, 0},
        {[](SArchive &A, uint32_t, uint32_t b) { SetNextBlock(A, b, 0xFFFFFFF0u); }, EDataWalk::BadBlock, 8192},
        {[](SArchive &A, uint32_t e, uint32_t) { SetBlockEntryField(A, e, EEntryField::NextEntry, 123456); },
         EDataWalk::BadEntry, 24576},
        {[](SArchive &A, uint32_t e, uint32_t) { SetBlockEntryField(A, e, EEntryField::NextEntry, e); },
         EDataWalk::EntryLoop, 24576},
        {[](SArchive &A, uint32_t e, uint32_t b) {
             SetBlockEntryField(A, e, EEntryField::DataLength, 0x7FFFFFFF);
             SetNextBlock(A, b, b);
         },
         EDataWalk::BlockLoop, 8192},
        {[](SArchive &A, uint32_t e, uint32_t) {
             SetHeaderField(A, GcfBuilder::EHeaderField::BlockSize, 1u << 24);
             SetBlockEntryField(A, e, EEntryField::DataLength, 1u << 24);
             SetBlockEntryField(A, e, EEntryField::FirstBlock, A.Layout.uiTotalBlocks - 1);
             SetDirectoryField(A, 1, GcfBuilder::EDirField::ItemSize, 1u << 24);
         },
         EDataWalk::BlockOutsideFile, 0},
    };
    const std::string sData = GcfBuilder::PatternData(24576, 11);
    for (const SCase &Damage : Cases)
    {
        SCOPED_TRACE(DataWalkReason(Damage.eReason));
        CArchiveCase Case(SItem::Folder("root", {SItem::File("broken", sData), SItem::File("after", "after")}), {},
                          [&](SArchive &A) { Damage.Damage(A, A.Layout.FirstEntry[1], A.Layout.Blocks[1][0]); });
        EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, 1));
        EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 2));
        EXPECT_EQ(Case.Red(), SStrings{"Error writing " + Case.sOut + "/broken (" + DataWalkReason(Damage.eReason) + ")."});
        const std::string sKept = ReadFile(Case.sOut + "/broken");
        EXPECT_GE(sKept.size(), Damage.uiKept);
        EXPECT_EQ(sKept.substr(0, Damage.uiKept), sData.substr(0, Damage.uiKept));
        EXPECT_EQ(ReadFile(Case.sOut + "/after"), "after");
    }
}

// One file whose block entries all read the same block, its recorded size
// claiming 4 GiB: that block is written once, then the damage is reported.
TEST(ExtractionSafety, EntriesSharingABlockWriteItOnce)
{
    GcfBuilder::SOptions Options;
    Options.uiBlocksPerEntry = 1;
    const std::string sData = GcfBuilder::PatternData(8192 * 50, 9);
    CArchiveCase Case(SItem::Folder("root", {SItem::File("bomb", sData)}), Options, [](SArchive &A) {
        for (const uint32_t uiEntry : A.Layout.Entries[1])
            SetBlockEntryField(A, uiEntry, GcfBuilder::EEntryField::FirstBlock, A.Layout.Blocks[1][0]);
        SetDirectoryField(A, 1, GcfBuilder::EDirField::ItemSize, 0xFFFFFFFFu);
    });
    EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, 1));
    EXPECT_EQ(Case.Red(), SStrings{"Error writing " + Case.sOut + "/bomb (damaged block chain)."});
    EXPECT_TRUE(ReadFile(Case.sOut + "/bomb") == sData.substr(0, 8192));
}

TEST(ExtractionSafety, FolderLinksThatLoopAreWrittenOnce)
{
    // root -> a -> {x, b}: b's first item is a again, or x's next sibling is x.
    for (const bool bSiblingLoop : {false, true})
    {
        CArchiveCase Case(SItem::Folder("root", {SItem::Folder("a", {SItem::File("x", "x"), SItem::Folder("b")})}), {},
                          [&](SArchive &A) {
                              if (bSiblingLoop)
                                  SetDirectoryField(A, 2, GcfBuilder::EDirField::NextSibling, 2);
                              else
                                  SetDirectoryField(A, 3, GcfBuilder::EDirField::FirstChild, 1);
                          });
        EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
        const std::string sLoop = Case.sOut + (bSiblingLoop ? "/root/a/x" : "/root/a/b/a");
        EXPECT_EQ(Case.Red(), SStrings{"Error writing " + sLoop + " (reached twice: the archive's folder links loop)."});
        EXPECT_EQ(Case.Wrote(), 1u);
    }
}

TEST(ExtractionSafety, TheArchiveItselfIsNeverOverwritten)
{
    // The archive lies where its item "game.gcf" goes: under that very name,
    // or as a second name (hard link) of it.
    for (const bool bHardLink : {false, true})
    {
        CTempDir Temp;
        const std::string sOut = Temp / "out", sTarget = sOut + "/root/game.gcf";
        ::mkdir(sOut.c_str(), 0755);
        ::mkdir((sOut + "/root").c_str(), 0755);
        CArchiveCase Case(SItem::Folder("root", {SItem::File("game.gcf", "not me"), SItem::File("other", "other")}), {},
                          {}, bHardLink ? Temp / "archive.gcf" : sTarget);
        if (bHardLink)
        {
            ASSERT_EQ(::link((Temp / "archive.gcf").c_str(), sTarget.c_str()), 0);
        }
        EXPECT_TRUE(Case.Engine.ExtractItem(sOut, 0));
        EXPECT_EQ(Case.Red(), SStrings{"Error writing " + sTarget + " (the archive itself)."});
        EXPECT_TRUE(ReadFile(sTarget) == std::string(Case.Archive.Bytes.begin(), Case.Archive.Bytes.end()));
        EXPECT_EQ(ReadFile(sOut + "/root/other"), "other");
    }
}

TEST(ExtractionSafety, LinksFifosFoldersAndFilesInTheWayAreNotWrittenThrough)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::File("link", "new"), SItem::File("fifo", "new"),
                                             SItem::File("folder", "new"), SItem::File("plain", "new"),
                                             SItem::Folder("sub", {SItem::File("x", "x")})}));
    const std::string sRoot = Case.sOut + "/root/", sOutside = Case.Temp / "precious";
    ::mkdir(Case.sOut.c_str(), 0755);
    ::mkdir(sRoot.c_str(), 0755);
    WriteText(sOutside, "precious");
    ASSERT_EQ(::symlink(sOutside.c_str(), (sRoot + "link").c_str()), 0);
    ::mkfifo((sRoot + "fifo").c_str(), 0644);
    ::mkdir((sRoot + "folder").c_str(), 0755);
    WriteText(sRoot + "sub", "a file where the folder goes");

    // In a child with a time limit: an open that followed the FIFO would hang.
    EXPECT_EQ(RunInChild([&] {
                  EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
                  EXPECT_EQ(Case.Red(), (SStrings{"Could not open " + sRoot + "link for writing.",
                                                  "Could not open " + sRoot + "fifo for writing.",
                                                  "Could not open " + sRoot + "folder for writing.",
                                                  "Faild to create directory " + sRoot + "sub/."}));
              },
                         10),
              0);
    EXPECT_EQ(ReadFile(sOutside), "precious");
    EXPECT_EQ(ReadFile(sRoot + "plain"), "new");
    EXPECT_EQ(ReadFile(sRoot + "sub"), "a file where the folder goes");
}

TEST(ExtractionSafety, AnArchiveCutShortWhileOpenStopsTheExtraction)
{
    const std::string sData = GcfBuilder::PatternData(1 << 20, 3);
    CArchiveCase Case(SItem::Folder("root", {SItem::File("big", sData), SItem::File("next", "next")}));
    // Another program truncates the archive within the file's data.
    ASSERT_EQ(::truncate((Case.Temp / "archive.gcf").c_str(), Case.Archive.Layout.uiDataStart + 65536), 0);
    Case.Engine.StartExtracting();
    EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, 0));
    EXPECT_TRUE(Case.Engine.ArchiveCutShort());
    EXPECT_EQ(Case.Red(), SStrings{"Error writing " + Case.sOut + "/root/big (the archive was cut short while it was open)."});
    const std::string sKept = ReadFile(Case.sOut + "/root/big");
    EXPECT_EQ(sKept.substr(0, 65536), sData.substr(0, 65536));
    // Nothing more is tried on this archive until the next extraction starts.
    EXPECT_FALSE(FileExists(Case.sOut + "/root/next"));
    EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, 2));
    EXPECT_EQ(Case.Red().size(), 1u);
}

// Links already in the target: where an archive folder goes (to a folder
// outside, or like /proc/self/root to "/"), the folder is refused with one
// line and nothing below it is written; a file's other names and its setuid
// bit stay with the old file, which is replaced, not written in place.
TEST(ExtractionSafety, NothingIsWrittenThroughLinksInTheTarget)
{
    CArchiveCase Case(SItem::Folder(
        "root", {SItem::Folder("maps", {SItem::File("x.bsp", "map"), SItem::Folder("deep", {SItem::File("y", "y")})}),
                 SItem::Folder("proc", {SItem::File("z", "z")}), SItem::File("linked", "new"),
                 SItem::File("setuid", "new"), SItem::File("after", "after")}));
    const std::string sRoot = Case.sOut + "/root/", sOutside = Case.Temp / "outside";
    ::mkdir(sOutside.c_str(), 0755);
    ::mkdir(Case.sOut.c_str(), 0755);
    ::mkdir(sRoot.c_str(), 0755);
    ASSERT_EQ(::symlink("../../outside", (sRoot + "maps").c_str()), 0);
    ASSERT_EQ(::symlink("/", (sRoot + "proc").c_str()), 0);
    WriteText(sOutside + "/other-name", "precious");
    ASSERT_EQ(::link((sOutside + "/other-name").c_str(), (sRoot + "linked").c_str()), 0);
    WriteText(sRoot + "setuid", "old");
    ASSERT_EQ(::chmod((sRoot + "setuid").c_str(), 04755), 0);

    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
    EXPECT_EQ(Case.Red(), (SStrings{"Error writing " + sRoot + "maps/ (a link stands where the folder goes).",
                                    "Error writing " + sRoot + "proc/ (a link stands where the folder goes)."}));
    EXPECT_EQ(ListTree(sOutside), SStrings{"other-name"});
    EXPECT_FALSE(FileExists("/z"));
    EXPECT_EQ(ReadFile(sOutside + "/other-name"), "precious");
    EXPECT_EQ(ReadFile(sRoot + "linked"), "new");
    struct stat Stat;
    ASSERT_EQ(::stat((sRoot + "setuid").c_str(), &Stat), 0);
    EXPECT_EQ(ReadFile(sRoot + "setuid"), "new");
    EXPECT_EQ(Stat.st_mode & 07000, 0u);
    EXPECT_EQ(ReadFile(sRoot + "after"), "after");
}

TEST(ExtractionSafety, ASecondItemOfTheSameNameIsRefused)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::File("a", "first"), SItem::File("a", "second"),
                                             SItem::Folder("d", {SItem::File("x", "1")}),
                                             SItem::Folder("d", {SItem::File("y", "2")}), SItem::File("b", "b")}));
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
    EXPECT_EQ(Case.Red(), (SStrings{"Error writing " + Case.sOut + "/root/a (a second item of this name in the folder).",
                                    "Error writing " + Case.sOut + "/root/d (a second item of this name in the folder)."}));
    EXPECT_EQ(ReadFile(Case.sOut + "/root/a"), "first");
    EXPECT_EQ(ListTree(Case.sOut), (SStrings{"root", "root/a", "root/b", "root/d", "root/d/x"}));
}

// Each new folder is one mkdirat in its parent: 2,000 nested folders are
// written in a moment (making every prefix of every folder took minutes).
TEST(ExtractionSafety, DeepFoldersCostTimeLinearInTheirNumber)
{
    SItem Deepest = SItem::File("bottom", "bottom");
    for (int i = 0; i < 2000; ++i)
        Deepest = SItem::Folder("f", {Deepest});
    CArchiveCase Case(SItem::Folder("root", {Deepest}));
    EXPECT_EQ(RunInChild([&] {
                  EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
                  EXPECT_EQ(Case.Wrote(), 1u);
                  EXPECT_TRUE(Case.Red().empty());
              },
                         10),
              0);
}
