// SPDX-License-Identifier: MIT
// The extraction engine on intact archives: the lines it writes, the folders
// it makes, the bytes of every file, progress and abort, and the removal of
// a folder tree.
#include "tests/support/ExtractionSupport.h"

#include "extract/CExtractCommand.h"
#include "extract/CTempFolder.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>

using namespace Larkspur;
using namespace ExtractionTest;
using GcfBuilder::SItem;

namespace
{

// "a" holds "b.txt" (12 bytes) and, after it, the folder "c" with "d.txt".
SItem ExampleTree()
{
    return SItem::Folder("root", {SItem::Folder("a", {SItem::File("b.txt", "hello world\n"),
                                                      SItem::Folder("c", {SItem::File("d.txt", std::string(1536, 'd'))})})});
}

SLines ExampleLines(const std::string &sOut)
{
    return {{"Created " + sOut + "/a/.", ELineColor::Gray},
            {"Wrote " + sOut + "/a/b.txt (12 B).", ELineColor::Gray},
            {"Created " + sOut + "/a/c/.", ELineColor::Gray},
            {"Wrote " + sOut + "/a/c/d.txt (1.50 KB).", ELineColor::Gray}};
}

// Records the progress and asks for an abort when the count reaches uiStopAt.
class CRecordingHook : public IExtractionHook
{
public:
    CRecordingHook(CExtraction &Engine, uint32_t uiStopAt) : Engine(Engine), uiStopAt(uiStopAt) {}
    void ProcessPendingEvents() override { ++uiRounds; }
    void Update(uint32_t uiCount) override
    {
        Counts.push_back(uiCount);
        if (uiCount == uiStopAt)
            Engine.StopExtracting();
    }
    CExtraction &Engine;
    uint32_t uiStopAt;
    uint32_t uiRounds = 0;
    std::vector<uint32_t> Counts;
};

}  // namespace

TEST(Extraction, ExampleFolderGivesItsLinesWhateverTheTrailingSeparators)
{
    CArchiveCase Case(ExampleTree());
    for (const std::string &sGiven : {Case.sOut, Case.sOut + "/", Case.sOut + "//"})
    {
        Case.Console.Lines.clear();
        std::filesystem::remove_all(Case.sOut);
        EXPECT_TRUE(Case.Engine.ExtractItem(sGiven, Case.Index("\\root\\a")));
        // The first line is the chosen folder itself, made with its parent.
        ASSERT_FALSE(Case.Console.Lines.empty());
        EXPECT_EQ(Case.Console.Lines[0], (SLine{"Created " + Case.sOut + "/.", ELineColor::Gray})) << sGiven;
        EXPECT_EQ(SLines(Case.Console.Lines.begin() + 1, Case.Console.Lines.end()), ExampleLines(Case.sOut)) << sGiven;
        EXPECT_EQ(ReadFile(Case.sOut + "/a/c/d.txt"), std::string(1536, 'd'));
    }
    // A folder that exists already is passed silently.
    Case.Console.Lines.clear();
    EXPECT_TRUE(Case.Engine.CreateDirectory(Case.sOut + "/a/"));
    EXPECT_TRUE(Case.Console.Lines.empty());
}

TEST(Extraction, AnyNonZeroFlagsMakeAFileThatIsWritten)
{
    SItem Folder = SItem::Folder("flags");
    for (const uint32_t uiFlags : {0x1u, 0x8u, 0x4000u})
    {
        SItem File = SItem::File("f" + std::to_string(uiFlags), "flags " + std::to_string(uiFlags));
        File.uiFlags = uiFlags;
        Folder.Children.push_back(File);
    }
    CArchiveCase Case(SItem::Folder("root", {Folder}));
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\flags")));
    EXPECT_EQ(Case.Red(), SStrings{});
    for (const uint32_t uiFlags : {0x1u, 0x8u, 0x4000u})
        EXPECT_EQ(ReadFile(Case.sOut + "/flags/f" + std::to_string(uiFlags)), "flags " + std::to_string(uiFlags));
}

TEST(Extraction, EmptyFoldersAreNotCreated)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::Folder("empty"), SItem::Folder("outer", {SItem::Folder("inner")})}));
    ::mkdir(Case.sOut.c_str(), 0755);
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\empty")));
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\outer")));
    EXPECT_EQ(Case.Console.Lines, (SLines{{"Created " + Case.sOut + "/outer/.", ELineColor::Gray}}));
    EXPECT_EQ(ListTree(Case.sOut), SStrings{"outer"});
}

// Every file of the sample tree comes out byte for byte in every version and
// chain layout: empty, one byte, exact block multiples, 1.5 blocks, several
// block entries, a copy step smaller than the data blocks.
struct SLayoutCase
{
    uint32_t uiVersion;
    bool bScatter;
    uint32_t uiBlocksPerEntry, uiBlockSize, uiDataBlockSize;
};

void PrintTo(const SLayoutCase &Case, std::ostream *lpStream)
{
    *lpStream << "version " << Case.uiVersion << (Case.bScatter ? " scattered" : " in order") << ", "
              << Case.uiBlocksPerEntry << " blocks per entry, steps " << Case.uiBlockSize << " of "
              << Case.uiDataBlockSize;
}

class ExtractionLayout : public ::testing::TestWithParam<SLayoutCase>
{
};

void ExpectFiles(const SItem &Folder, const std::string &sPath)
{
    for (const SItem &Child : Folder.Children)
    {
        if (Child.bFolder)
            ExpectFiles(Child, sPath + "/" + Child.sName);
        else
            EXPECT_TRUE(ReadFile(sPath + "/" + Child.sName) == Child.sData) << sPath << "/" << Child.sName;
    }
}

TEST_P(ExtractionLayout, RootExtractionWritesEveryFileExactly)
{
    const SLayoutCase &Layout = GetParam();
    GcfBuilder::SOptions Options;
    Options.uiVersion = Layout.uiVersion;
    Options.bScatter = Layout.bScatter;
    Options.uiBlocksPerEntry = Layout.uiBlocksPerEntry;
    Options.uiBlockSize = Layout.uiBlockSize;
    Options.uiDataBlockSize = Layout.uiDataBlockSize;
    Options.uiSpareBlocks = 5;
    const SItem Tree = GcfBuilder::SampleTree();
    CArchiveCase Case(Tree, Options);

    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, 0));
    ExpectFiles(Tree, Case.sOut + "/root");
    EXPECT_EQ(Case.Red(), SStrings{});
    EXPECT_EQ(Case.Wrote(), 10u);
    const SStrings Gray = Case.Console.Texts(ELineColor::Gray);
    EXPECT_NE(std::find(Gray.begin(), Gray.end(), "Wrote " + Case.sOut + "/root/maps/empty.res (0 B)."), Gray.end());
    EXPECT_FALSE(FileExists(Case.sOut + "/root/materials/models/empty"));
}

INSTANTIATE_TEST_SUITE_P(Layouts, ExtractionLayout,
                         ::testing::Values(SLayoutCase{3, false, 0, 8192, 8192}, SLayoutCase{5, false, 0, 8192, 8192},
                                           SLayoutCase{6, false, 0, 8192, 8192}, SLayoutCase{3, true, 0, 8192, 8192},
                                           SLayoutCase{5, true, 1, 8192, 8192}, SLayoutCase{6, true, 1, 8192, 8192},
                                           SLayoutCase{6, false, 3, 512, 512}, SLayoutCase{6, false, 0, 4096, 8192},
                                           SLayoutCase{5, true, 2, 4096, 8192}));

TEST(Extraction, NoDataAndSizeMismatchAreRedLines)
{
    SItem Ghost = SItem::File("ghost.dat", "unused"), Short = SItem::File("short", "twelve bytes"),
          Long = SItem::File("long", std::string(5000, 'q'));
    Ghost.bNoData = Short.bOverrideItemSize = Long.bOverrideItemSize = true;
    Short.uiItemSize = 1234567;
    Long.uiItemSize = 10;
    CArchiveCase Case(SItem::Folder("root", {Ghost, Short, Long}));
    CRecordingHook Hook(Case.Engine, 0);

    // The file without data counts but is not created; a size mismatch keeps
    // the file and counts as written.
    CExtractCommand(Case.Engine, {0}).Run(Case.sOut, Hook);
    const std::string sRoot = Case.sOut + "/root/";
    EXPECT_EQ(Case.Red(), (SStrings{"Error writing ghost.dat (no physical data to write).",
                                    "Error writing " + sRoot + "short (12 B / 1,234,567 B written).",
                                    "Error writing " + sRoot + "long (more data than the item's recorded size)."}));
    EXPECT_EQ(ListTree(sRoot), (SStrings{"long", "short"}));
    EXPECT_EQ(ReadFile(sRoot + "short"), "twelve bytes");
    EXPECT_EQ(Hook.Counts, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_FALSE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\ghost.dat")));
    // A file written at its recorded size counts as extracted (a program may
    // open it), however much more data its chain holds.
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\long")));
    EXPECT_EQ(ReadFile(Case.sOut + "/long"), std::string(10, 'q'));
}

TEST(Extraction, AbortTakesEffectBetweenFilesAndLeavesWrittenFilesWhole)
{
    SItem Many = SItem::Folder("many");
    for (int i = 0; i < 10; ++i)
        Many.Children.push_back(SItem::File("f" + std::to_string(i), GcfBuilder::PatternData(100000, i)));
    CArchiveCase Case(SItem::Folder("root", {Many, SItem::File("later.txt", "later")}));
    CRecordingHook Hook(Case.Engine, 3);
    CExtractCommand Command(Case.Engine, {Case.Index("\\root\\many"), Case.Index("\\root\\later.txt")});
    EXPECT_EQ(Command.GetTotal(), 11u);

    // The abort comes while the third file is counted; that file is still
    // written in full, and nothing after it. The command still ends with
    // "Done.".
    Command.Run(Case.sOut, Hook);
    EXPECT_EQ(Case.Console.Texts(ELineColor::Green), (SStrings{"Extracting to " + Case.sOut + ".", "Done."}));
    EXPECT_EQ(Case.Console.Lines.back().sText, "Done.");
    EXPECT_EQ(ListTree(Case.sOut), (SStrings{"many", "many/f0", "many/f1", "many/f2"}));
    EXPECT_EQ(ReadFile(Case.sOut + "/many/f2"), GcfBuilder::PatternData(100000, 2));
    EXPECT_EQ(Hook.Counts, (std::vector<uint32_t>{1, 2, 3}));
    EXPECT_EQ(Case.Wrote(), 3u);
    EXPECT_GE(Hook.uiRounds, 5u);
}

TEST(Extraction, ExistingFilesAreOverwrittenAndNoDialogMeansNoStop)
{
    // Shell Execute and drag-out run without a dialog: the flag is not read.
    CArchiveCase Case(ExampleTree());
    ::mkdir(Case.sOut.c_str(), 0755);
    WriteText(Case.sOut + "/b.txt", std::string(100000, 'z'));
    Case.Engine.StopExtracting();
    EXPECT_TRUE(Case.Engine.ExtractItem(Case.sOut, Case.Index("\\root\\a\\b.txt")));
    EXPECT_EQ(ReadFile(Case.sOut + "/b.txt"), "hello world\n");
    EXPECT_EQ(Case.Console.Lines, (SLines{{"Wrote " + Case.sOut + "/b.txt (12 B).", ELineColor::Gray}}));
}

TEST(Extraction, TheFileSystemRootGivesSingleSeparators)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to shut the extraction into a chroot";
    CArchiveCase Case(SItem::Folder("root", {ExampleTree().Children[0]}));
    const std::string sJail = Case.Temp / "jail";
    ::mkdir(sJail.c_str(), 0755);
    EXPECT_EQ(RunInChild([&] {
                  ASSERT_EQ(::chroot(sJail.c_str()), 0);
                  EXPECT_TRUE(Case.Engine.ExtractItem("/", 0));
                  SLines Expected = ExampleLines("/root");
                  Expected.insert(Expected.begin(), {"Created /root/.", ELineColor::Gray});
                  EXPECT_EQ(Case.Console.Lines, Expected);
              }),
              0);
    EXPECT_EQ(ReadFile(sJail + "/root/a/b.txt"), "hello world\n");
}

TEST(Extraction, DeleteDirectoryRemovesSubfoldersThenFilesThenTheFolder)
{
    CArchiveCase Case(ExampleTree());
    const std::string sTop = Case.Temp / "temp", sOutside = Case.Temp / "outside";
    for (const std::string &sFolder : {sTop, sTop + "/sub", sTop + "/sub/deeper", sOutside})
        ::mkdir(sFolder.c_str(), 0755);
    WriteText(sTop + "/sub/deeper/x", "x");
    WriteText(sTop + "/file", "f");
    WriteText(sOutside + "/keep", "keep");
    // A link to a folder is removed as a link: what it points to stays.
    ASSERT_EQ(::symlink(sOutside.c_str(), (sTop + "/link").c_str()), 0);

    // Given relative, reported absolute.
    EXPECT_EQ(RunInChild([&] {
                  ASSERT_EQ(::chdir(Case.Temp.sPath.c_str()), 0);
                  CTempFolder::DeleteDirectory("temp/", Case.Console);
                  const SLines &Lines = Case.Console.Lines;
                  ASSERT_EQ(Lines.size(), 6u);
                  EXPECT_EQ(SLines(Lines.begin(), Lines.begin() + 3),
                            (SLines{{"Deleted " + sTop + "/sub/deeper/x.", ELineColor::Gray},
                                    {"Deleted " + sTop + "/sub/deeper.", ELineColor::Gray},
                                    {"Deleted " + sTop + "/sub.", ELineColor::Gray}}));
                  SStrings Files = {Lines[3].sText, Lines[4].sText};  // in listing order
                  std::sort(Files.begin(), Files.end());
                  EXPECT_EQ(Files, (SStrings{"Deleted " + sTop + "/file.", "Deleted " + sTop + "/link."}));
                  EXPECT_EQ(Lines[5], (SLine{"Deleted " + sTop + ".", ELineColor::Gray}));
                  Case.Console.Lines.clear();
                  CTempFolder::DeleteDirectory("temp", Case.Console);  // gone: nothing at all
                  EXPECT_TRUE(Case.Console.Lines.empty());
              }),
              0);
    EXPECT_FALSE(FileExists(sTop));
    EXPECT_EQ(ReadFile(sOutside + "/keep"), "keep");
}
