// SPDX-License-Identifier: MIT
// A file's checksums (CItemChecksums) and the tool's hash and cat commands:
// known values, sha256sum's own check of an extracted copy, byte-for-byte
// output, escaped names, and damaged or missing data.

#include "tests/cli/CliSupport.h"
#include "tests/support/DataSupport.h"

#include "cli/DataCommands.h"
#include "dialogs/ItemChecksums.h"

#include <cstdlib>
#include <sstream>

using namespace Larkspur;
using namespace DataTest;
using namespace TestSupport;
using GcfBuilder::SItem;

namespace
{

const char *const SHA256_ABC = "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad";
const char *const SHA256_DIGITS = "15e2b0d3c33891ebb0f1ef609ec419420c20e320ce94c65fbc8c3312448eb225";
const char *const SHA256_EMPTY = "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855";


// Known values at the top; below, files over several entries and blocks,
// and names that need escaping or must not reach a terminal raw.
SItem KnownTree()
{
    SItem Split = SItem::File("x.bsp", GcfBuilder::PatternData(3 * 8192 + 100, 5));
    Split.uiBlocksPerEntry = 1;
    return SItem::Folder("root", {SItem::File("abc.txt", "abc"), SItem::File("digits", "123456789"),
                                  SItem::File("empty", ""), Ghost("nothing", 0),
                                  SItem::Folder("maps", {Split, SItem::File("line\nbreak\r.txt", "n"),
                                                         SItem::File("esc\x1B[2Jape", "e")}),
                                  SItem::Folder("sound",
                                                {SItem::File("wind.wav", GcfBuilder::PatternData(40000, 7))})});
}

SItem DamagedTree()
{
    return SItem::Folder("root", {SItem::File("a.txt", "abc"),
                                  SItem::File("broken.bin", GcfBuilder::PatternData(3 * 8192, 1)),
                                  Ghost("ghost", 10), SItem::File("..", "dots"), SItem::File("dup", "1"),
                                  SItem::Folder("dup", {SItem::File("inner", "2")}), SItem::File("z.txt", "abc")});
}

SCliRun Tool(const CDataArchive &Archive, std::vector<std::string> Arguments, CMemoryCliOutput Output = {})
{
    Arguments.insert(Arguments.begin() + 1, Archive.sPath);
    return RunCli(Arguments, Archive.Temp.sPath, std::move(Output));
}

}  // namespace

TEST(ItemChecksums, GiveTheKnownValuesInStepsOrAtOnce)
{
    CDataArchive Archive(KnownTree());
    ASSERT_TRUE(Archive.Open());
    const struct
    {
        const char *szPath, *szCrc32, *szSha256;
    } Cases[] = {
        {"\\root\\abc.txt", "352441c2", SHA256_ABC},
        {"\\root\\digits", "cbf43926", SHA256_DIGITS},
        {"\\root\\empty", "00000000", SHA256_EMPTY},
        {"\\root\\nothing", "00000000", SHA256_EMPTY},  // no data at all, and a size of 0
    };
    for (const auto &Case : Cases)
    {
        CItemChecksums Sums(Archive.GCF, Archive.Index(Case.szPath));
        EXPECT_EQ(Sums.GetState(), EChecksumState::Ready);
        EXPECT_EQ(Sums.Run(), EChecksumState::Done) << Case.szPath;
        EXPECT_EQ(Sums.Crc32Text(), Case.szCrc32) << Case.szPath;
        EXPECT_EQ(Sums.Sha256Text(), Case.szSha256) << Case.szPath;
    }

    // In steps of 1,000 bytes across entries of one block each: the same
    // sums as at once, the progress growing by each step.
    const uint32_t uiSplit = Archive.Index("\\root\\maps\\x.bsp");
    CItemChecksums AtOnce(Archive.GCF, uiSplit);
    ASSERT_EQ(AtOnce.Run(), EChecksumState::Done);
    CItemChecksums InSteps(Archive.GCF, uiSplit);
    uint64_t uiSteps = 0;
    while (InSteps.Step(1000) == EChecksumState::Running)
        EXPECT_EQ(InSteps.GetDone(), ++uiSteps * 1000);
    EXPECT_EQ(InSteps.GetState(), EChecksumState::Done);
    EXPECT_EQ(uiSteps, 24u);
    EXPECT_EQ(InSteps.GetDone(), InSteps.GetTotal());
    EXPECT_EQ(InSteps.Sha256Text(), AtOnce.Sha256Text());
    EXPECT_EQ(InSteps.Crc32Text(), AtOnce.Crc32Text());

    CItemChecksums OnlyCrc(Archive.GCF, uiSplit, EChecksums::Crc32);
    ASSERT_EQ(OnlyCrc.Run(), EChecksumState::Done);
    EXPECT_EQ(OnlyCrc.Crc32Text(), AtOnce.Crc32Text());
    EXPECT_EQ(OnlyCrc.Sha256Text(), "");
}

TEST(ItemChecksums, DamagedMissingOrCutShortDataGetsNoSums)
{
    CDataArchive Archive(DamagedTree());
    Archive.BreakChainAfter("\\root\\broken.bin", 1);
    ASSERT_TRUE(Archive.Open());
    CItemChecksums Broken(Archive.GCF, Archive.Index("\\root\\broken.bin"));
    EXPECT_EQ(Broken.Run(), EChecksumState::Damaged);
    EXPECT_EQ(Broken.Problem(), "data block index out of range");
    EXPECT_EQ(Broken.Sha256Text(), "");
    CItemChecksums Missing(Archive.GCF, Archive.Index("\\root\\ghost"));
    EXPECT_EQ(Missing.Run(), EChecksumState::NoData);
    EXPECT_EQ(Missing.Problem(), "no physical data");

    CDataArchive Whole(KnownTree());
    ASSERT_TRUE(Whole.Open());
    Whole.CutShortAt(Whole.Archive.Layout.uiDataStart);
    CItemChecksums Cut(Whole.GCF, Whole.Index("\\root\\sound\\wind.wav"));
    EXPECT_EQ(Cut.Run(), EChecksumState::CutShort);
    EXPECT_EQ(Cut.Problem(), "the archive was cut short while it was open");
}

TEST(HashCommand, PrintsSha256sumLinesWithThePathsExtractWrites)
{
    CDataArchive Archive(KnownTree());
    ASSERT_TRUE(Archive.Open());
    const SCliRun Whole = Tool(Archive, {"hash"});
    // A file without data is not written by extract, so not listed.
    EXPECT_EQ(Whole.iExitCode, 1);
    EXPECT_EQ(Whole.sErr, "Error hashing root/nothing (no physical data to write).\n");
    std::istringstream Lines(Whole.sOut);
    std::vector<std::string> Found;
    for (std::string sLine; std::getline(Lines, sLine);)
        Found.push_back(sLine);
    ASSERT_EQ(Found.size(), 7u) << Whole.sOut;
    EXPECT_EQ(Found[0], std::string(SHA256_ABC) + "  root/abc.txt");
    EXPECT_EQ(Found[1], std::string(SHA256_DIGITS) + "  root/digits");
    EXPECT_EQ(Found[2], std::string(SHA256_EMPTY) + "  root/empty");
    EXPECT_TRUE(Found[3].ends_with("  root/maps/x.bsp"));
    // A line feed or carriage return in a name: escaped, and the line marked.
    EXPECT_TRUE(Found[4].starts_with("\\") && Found[4].ends_with("  root/maps/line\\nbreak\\r.txt")) << Found[4];
    EXPECT_TRUE(Found[5].ends_with("  root/maps/esc\x1B[2Jape")) << Found[5];  // raw where it is no terminal
    EXPECT_TRUE(Found[6].ends_with("  root/sound/wind.wav"));

    // Below the items named, as extract writes them into its folder.
    const SCliRun Maps = Tool(Archive, {"hash", "--crc32", "root/maps", "\\root\\abc.txt"});
    EXPECT_EQ(Maps.iExitCode, 0) << Maps.sErr;
    CItemChecksums Split(Archive.GCF, Archive.Index("\\root\\maps\\x.bsp"));
    ASSERT_EQ(Split.Run(), EChecksumState::Done);
    EXPECT_EQ(Maps.sOut, Split.Crc32Text() + "  maps/x.bsp\n\\7808a3d2  maps/line\\nbreak\\r.txt\n"
                                             "efda7a5a  maps/esc\x1B[2Jape\n352441c2  abc.txt\n");

    // A terminal sees no control character of a name.
    CMemoryCliOutput Terminal;
    Terminal.bOutTerminal = true;
    const SCliRun Shown = Tool(Archive, {"hash", "root/maps"}, Terminal);
    EXPECT_NE(Shown.sOut.find("  maps/esc?[2Jape\n"), std::string::npos) << Shown.sOut;

    const SCliRun Missing = Tool(Archive, {"hash", "root/abc.txt", "root/nope"});
    EXPECT_EQ(Missing, (SCliRun{2, "", "No such item: root/nope\n"}));
}

TEST(HashCommand, Sha256sumChecksAnExtractedCopy)
{
    GcfBuilder::SOptions Options;
    Options.bScatter = true;
    CDataArchive Archive(KnownTree(), Options);
    ASSERT_TRUE(Archive.Open());
    const std::string sOut = Archive.Temp / "out";
    ASSERT_EQ(Tool(Archive, {"extract", "-o", sOut}).iExitCode, 1);  // "nothing" has no data to write
    const SCliRun Sums = Tool(Archive, {"hash"});
    ASSERT_EQ(Sums.iExitCode, 1) << Sums.sErr;
    WriteText(Archive.Temp / "sums", Sums.sOut);
    // Hash lists exactly what extract writes: every line checks out.
    const std::string sCommand = "cd '" + sOut + "' && LC_ALL=C sha256sum --check --quiet ../sums >../check.txt 2>&1";
    EXPECT_EQ(std::system(sCommand.c_str()), 0) << ReadFile(Archive.Temp / "check.txt");

    // And sha256sum of extracted files prints the very lines hash prints.
    const std::string sDirect =
        "cd '" + sOut + "' && sha256sum root/abc.txt root/maps/x.bsp root/sound/wind.wav >../direct.txt";
    ASSERT_EQ(std::system(sDirect.c_str()), 0);
    std::istringstream Direct(ReadFile(Archive.Temp / "direct.txt"));
    int iLines = 0;
    for (std::string sLine; std::getline(Direct, sLine); ++iLines)
        EXPECT_NE(Sums.sOut.find(sLine + "\n"), std::string::npos) << sLine;
    EXPECT_EQ(iLines, 3);
}

TEST(HashCommand, FilesExtractWouldNotWriteOrWhoseDataIsDamagedFailAlone)
{
    CDataArchive Archive(DamagedTree());
    Archive.BreakChainAfter("\\root\\broken.bin", 1);
    ASSERT_TRUE(Archive.Open());
    const SCliRun Result = Tool(Archive, {"hash"});
    EXPECT_EQ(Result.iExitCode, 1);
    // The first "dup" (the file holding "1") is hashed; the folder after it is not.
    EXPECT_EQ(Result.sOut, std::string(SHA256_ABC) + "  root/a.txt\n" +
                               "6b86b273ff34fce19d6b804eff5a3f5747ada4eaa22f1d49c01e52ddb7875b4b  root/dup\n" +
                               SHA256_ABC + "  root/z.txt\n");
    EXPECT_EQ(Result.sErr, "Error hashing root/broken.bin (data block index out of range).\n"
                           "Error hashing root/ghost (no physical data to write).\n"
                           "Error hashing root/.. (unsafe name).\n"
                           "Error hashing root/dup (a second item of this name in the folder).\n");
}

TEST(CatCommand, WritesOneFileByteForByte)
{
    GcfBuilder::SOptions Options;
    Options.bScatter = true;
    CDataArchive Archive(KnownTree(), Options);
    ASSERT_TRUE(Archive.Open());
    const struct
    {
        const char *szItem;
        std::string sData;
    } Cases[] = {
        {"root/abc.txt", "abc"},
        {"\\root\\maps\\x.bsp", GcfBuilder::PatternData(3 * 8192 + 100, 5)},
        {"root/sound/wind.wav", GcfBuilder::PatternData(40000, 7)},
        {"root/empty", ""},
        {"root/nothing", ""},
    };
    for (const auto &Case : Cases)
    {
        const SCliRun Result = Tool(Archive, {"cat", Case.szItem});
        EXPECT_EQ(Result.iExitCode, 0) << Case.szItem << Result.sErr;
        EXPECT_TRUE(Result.sOut == Case.sData) << Case.szItem;
        EXPECT_EQ(Result.sErr, "");
    }
    EXPECT_EQ(Tool(Archive, {"cat", "root/maps"}), (SCliRun{2, "", "Not a file: root/maps\n"}));
    EXPECT_EQ(Tool(Archive, {"cat", "root/nope"}), (SCliRun{2, "", "No such item: root/nope\n"}));
    EXPECT_EQ(Tool(Archive, {"cat"}).iExitCode, 2);
}

TEST(CatCommand, ADamagedFileWritesTheBytesBeforeTheDamageThenFails)
{
    CDataArchive Archive(DamagedTree());
    Archive.BreakChainAfter("\\root\\broken.bin", 1);
    ASSERT_TRUE(Archive.Open());
    const SCliRun Broken = Tool(Archive, {"cat", "root/broken.bin"});
    EXPECT_EQ(Broken.iExitCode, 1);
    EXPECT_TRUE(Broken.sOut == GcfBuilder::PatternData(3 * 8192, 1).substr(0, 2 * 8192));
    EXPECT_EQ(Broken.sErr, "Error reading root/broken.bin (data block index out of range).\n");
    EXPECT_EQ(Tool(Archive, {"cat", "root/ghost"}),
              (SCliRun{1, "", "Error reading root/ghost (no physical data).\n"}));
}

TEST(ChecksumPaths, AreEscapedAsSha256sumEscapesThem)
{
    const struct
    {
        std::string sPath, sWritten;
        bool bEscaped;
    } Cases[] = {
        {"root/plain.txt", "root/plain.txt", false},
        {"root/a\nb", "root/a\\nb", true},
        {"root/a\rb", "root/a\\rb", true},
        {"root/a\\b", "root/a\\\\b", true},
        {"root/tab\there", "root/tab\there", false},
    };
    for (const auto &Case : Cases)
    {
        bool bEscaped = false;
        EXPECT_EQ(ChecksumPath(Case.sPath, bEscaped), Case.sWritten);
        EXPECT_EQ(bEscaped, Case.bEscaped) << Case.sWritten;
    }
}

// A file whose chain holds less than its recorded size: the bytes there are,
// then the failure.
TEST(CatCommand, DataShorterThanTheRecordedSizeFails)
{
    SItem Short = SItem::File("short", "abc");
    Short.bOverrideItemSize = true;
    Short.uiItemSize = 10;
    CDataArchive Archive(SItem::Folder("root", {Short}));
    ASSERT_TRUE(Archive.Open());
    EXPECT_EQ(Tool(Archive, {"cat", "root/short"}),
              (SCliRun{1, "abc", "Error reading root/short (the data holds 3 of 10 bytes).\n"}));
}
