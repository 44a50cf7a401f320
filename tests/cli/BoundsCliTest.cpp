// SPDX-License-Identifier: MIT
// The tool bounded by the archive: hash lists exactly what extract writes,
// items bound for one path, deep shared names on stdout and stderr, every
// stop signal, invisible format characters, and the mount's report of what
// it leaves out.

#include "tests/cli/CliSupport.h"
#include "tests/support/DataSupport.h"

#include "archive/CGCF.h"
#include "cli/CMountTree.h"
#include "cli/MountCommand.h"
#include "window/ShownText.h"

#include <csignal>
#include <sstream>

using namespace Larkspur;
using namespace TestSupport;
using GcfBuilder::SArchive;
using GcfBuilder::SItem;

namespace
{

class BoundsCli : public CArchiveFolderTest
{
};

SStrings Lines(const std::string &sText)
{
    SStrings Found;
    std::istringstream Stream(sText);
    for (std::string sLine; std::getline(Stream, sLine);)
        Found.push_back(sLine);
    return Found;
}

}  // namespace

// What extract writes and what hash lists are the same files: a file whose
// data starts with another's entry, one whose chain another file used, one
// without data and a 256-byte name are in neither.
TEST_F(BoundsCli, HashListsExactlyTheFilesExtractWrites)
{
    SArchive Archive = GcfBuilder::Build(SItem::Folder(
        "root", {SItem::File("a.txt", "a"), SItem::File("b.txt", "b"), SItem::File("c.txt", "c"),
                 DataTest::Ghost("empty", 0), SItem::File(std::string(256, 'n'), "long"),
                 SItem::File("ok.txt", "ok")}));
    GcfBuilder::SetDirectoryMap(Archive, 2, Archive.Layout.FirstEntry[1]);
    GcfBuilder::SetBlockEntryField(Archive, Archive.Layout.FirstEntry[3], GcfBuilder::EEntryField::FirstBlock,
                                   Archive.Layout.Blocks[1][0]);
    const std::string sArchive = Write("mixed.gcf", Archive.Bytes);
    const std::string sOut = Temp / "out";
    const SCliRun Extract = RunCli({"extract", sArchive, "-o", sOut}, Temp.sPath);
    EXPECT_EQ(Extract.iExitCode, 1);
    EXPECT_EQ(ListTree(sOut), (SStrings{"root", "root/a.txt", "root/ok.txt"}));

    const SCliRun Hash = RunCli({"hash", sArchive}, Temp.sPath);
    EXPECT_EQ(Hash.iExitCode, 1);
    SStrings Hashed;
    for (const std::string &sLine : Lines(Hash.sOut))
        Hashed.push_back(sLine.substr(66));
    EXPECT_EQ(Hashed, (SStrings{"root/a.txt", "root/ok.txt"}));
    EXPECT_EQ(Lines(Hash.sErr), (SStrings{"Error hashing root/b.txt (the data belongs to another item).",
                                          "Error hashing root/c.txt (data shared with another item).",
                                          "Error hashing root/empty (no physical data to write).",
                                          "Error hashing root/" + std::string(256, 'n') +
                                              " (name longer than 255 bytes)."}));
}

// Two different items bound for one path: the first is written, the
// second refused; an item named twice is written once without a word.
TEST_F(BoundsCli, ItemsBoundForOnePathAndItemsNamedTwice)
{
    const std::string sArchive = Write(
        "two.gcf", GcfBuilder::Build(SItem::Folder("root", {SItem::Folder("a", {SItem::File("x.txt", "a")}),
                                                            SItem::Folder("b", {SItem::File("x.txt", "b")})}))
                       .Bytes);
    const std::string sOut = Temp / "out";
    const SCliRun Run = RunCli({"extract", sArchive, "root/a/x.txt", "root/b/x.txt", "root/a/x.txt", "-o", sOut},
                               Temp.sPath);
    EXPECT_EQ(Run, (SCliRun{1,
                            "Extracting to " + sOut + ".\nCreated " + sOut + "/.\nWrote " + sOut +
                                "/x.txt (1 B).\nDone.\n",
                            "Error writing " + sOut +
                                "/x.txt (a second item of this name in the folder).\n1 error.\n"}));
    EXPECT_EQ(ReadFile(sOut + "/x.txt"), "a");
    const SCliRun Hash = RunCli({"hash", sArchive, "root/a", "root/a/x.txt"}, Temp.sPath);
    EXPECT_EQ(Hash.iExitCode, 0);
    EXPECT_EQ(Lines(Hash.sOut).size(), 1u);
}

// Folders nested 5,000 deep under one shared 255-byte name: the paths are
// up to 1.3 MB each, 3 GB in all, from an archive of 200 KB. find, list and
// hash show every path they can show whole (the first 15 levels); the rest
// go to stderr, shortened, at most 100 lines and a count.
TEST_F(BoundsCli, PathsLongerThanAPathMayBeGoToStderr)
{
    const std::string sDeep = Write("deep.gcf", GcfBuilder::NestedFolders(5000, 255, true).Bytes);
    const SCliRun Find = RunCli({"find", sDeep, "a"}, Temp.sPath);
    EXPECT_EQ(Find.iExitCode, 1);
    const SStrings Found = Lines(Find.sOut);
    ASSERT_EQ(Found.size(), 15u);
    EXPECT_EQ(Found[14].size(), 4u + 15 * 256);
    const SStrings Errors = Lines(Find.sErr);
    ASSERT_EQ(Errors.size(), 102u);
    EXPECT_EQ(Errors[100], "... and 4885 more.");
    EXPECT_EQ(Errors[101], "Search for 'a' returned 5000 results.");
    EXPECT_TRUE(Errors[0] == "Error listing " + [] {
        std::string sPath = "root";
        for (int i = 0; i < 16; ++i)
            sPath += "/" + std::string(255, 'a');
        return ShortenedPath(sPath);
    }() + " (a path of 4,096 bytes or more).") << Errors[0].substr(0, 40);

    const SCliRun Hash = RunCli({"hash", sDeep}, Temp.sPath);
    std::string sBottom = "root";
    for (int i = 0; i < 5000; ++i)
        sBottom += "/" + std::string(255, 'a');
    EXPECT_EQ(Hash, (SCliRun{1, "", "Error hashing " + ShortenedPath(sBottom + "/bottom") +
                                        " (a path of 4,096 bytes or more).\n"}));
    const SCliRun List = RunCli({"list", sDeep}, Temp.sPath);
    EXPECT_EQ(List.iExitCode, 1);
    EXPECT_EQ(Lines(List.sOut).size(), 16u);  // the root and 15 folders
    EXPECT_TRUE(List.sErr.ends_with("\n... and 4886 more.\n"));
}

// HUP, USR1, USR2 and ALRM stop a command as INT and TERM do: between
// items, with every line written so far, and 128 + the signal.
TEST_F(BoundsCli, EveryStopSignalEndsACommandBetweenItems)
{
    std::vector<SItem> Files;
    for (int i = 0; i < 5; ++i)
        Files.push_back(SItem::File("file" + std::to_string(i), "data"));
    const std::string sArchive = Write("five.gcf", GcfBuilder::Build(SItem::Folder("root", Files)).Bytes);
    for (const int iSignal : {SIGHUP, SIGUSR1, SIGUSR2, SIGALRM})
    {
        SCOPED_TRACE(iSignal);
        EXPECT_EQ(RunInChild([&] {
                      CMemoryCliOutput Output;
                      Output.OnWriteOut = [&](std::string_view sText) {
                          if (sText.find("file1") != std::string_view::npos)
                              std::raise(iSignal);
                      };
                      const SCliRun List = RunCli({"list", sArchive}, Temp.sPath, Output);
                      EXPECT_EQ(List.iExitCode, 128 + iSignal);
                      EXPECT_TRUE(List.sOut.ends_with("\nroot/file1\t4 B\tFile\n")) << List.sOut;
                      EXPECT_EQ(List.sErr, "Interrupted: the items not reached were not listed.\n");

                      CMemoryCliOutput Terminal;
                      Terminal.bOutTerminal = true;  // one line at a time
                      Terminal.OnWriteOut = Output.OnWriteOut;
                      const std::string sOut = Temp / ("out" + std::to_string(iSignal));
                      const SCliRun Extract = RunCli({"extract", sArchive, "-o", sOut}, Temp.sPath, Terminal);
                      EXPECT_EQ(Extract.iExitCode, 128 + iSignal);
                      EXPECT_TRUE(Extract.sOut.ends_with("/root/file1 (4 B).\nDone.\n")) << Extract.sOut;
                      EXPECT_EQ(ListTree(sOut), (SStrings{"root", "root/file0", "root/file1"}));
                  }),
                  0);
    }
}

// A right-to-left override or a zero-width character never reaches the
// terminal: a name cannot show reversed.
TEST_F(BoundsCli, InvisibleFormatCharactersAreMasked)
{
    const std::string sArchive = Write(
        "bidi.gcf", GcfBuilder::Build(SItem::Folder("root", {SItem::File("evil\xe2\x80\xaetxt.exe", "x"),
                                                             SItem::File("zero\xe2\x80\x8bwidth", "y")}))
                        .Bytes);
    EXPECT_EQ(RunCli({"find", sArchive, "i"}, Temp.sPath).sOut, "root/evil?txt.exe\nroot/zero?width\n");
}

// The mount leaves out files sharing one chain (all but the first) and
// reports each left-out item with a short line, 100 lines at most.
TEST_F(BoundsCli, TheMountLeavesOutSharedDataAndReportsBriefly)
{
    const std::string sShared = Write("shared.gcf", GcfBuilder::SharedChain(150, 4096, 1).Bytes);
    CGCF GCF;
    ASSERT_TRUE(GCF.Open(sShared.c_str()));
    CMountTree Tree;
    ASSERT_TRUE(Tree.Build(GCF));
    ASSERT_EQ(Tree.GetChildren(CMountTree::NodeOf(0)).size(), 1u);
    EXPECT_EQ(Tree.GetName(CMountTree::NodeOf(Tree.GetChildren(CMountTree::NodeOf(0))[0])), "file0000");
    CMemoryCliOutput Output;
    ReportLeftOut(Output, GCF, Tree);
    const SStrings Report = Lines(Output.sErr);
    ASSERT_EQ(Report.size(), 101u);
    EXPECT_EQ(Report[0], "Left out \\root\\file0001 (data shared with another item).");
    EXPECT_EQ(Report[100], "... and 49 more.");

    const std::string sUnsafe = Write("unsafe.gcf", GcfBuilder::Build(GcfBuilder::UnsafeNamesDeep(300, 40)).Bytes);
    ASSERT_TRUE(GCF.Open(sUnsafe.c_str()));
    ASSERT_TRUE(Tree.Build(GCF));
    CMemoryCliOutput Unsafe;
    ReportLeftOut(Unsafe, GCF, Tree);
    const SStrings UnsafeReport = Lines(Unsafe.sErr);
    ASSERT_EQ(UnsafeReport.size(), 101u);
    for (const std::string &sLine : UnsafeReport)
        EXPECT_LE(sLine.size(), 4096u + 40u);
    EXPECT_EQ(UnsafeReport.back(), "... and 200 more.");
}
