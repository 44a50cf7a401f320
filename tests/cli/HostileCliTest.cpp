// SPDX-License-Identifier: MIT
// larkspur-cli against a hostile archive or environment: the archive cut
// short or rewritten while a command runs, paths deep enough to exhaust
// memory if held whole, names that would drive a terminal, SIGTERM, and an
// empty output folder.

#include "GcfBuilder.h"
#include "tests/cli/CliSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

#include <csignal>
#include <fstream>
#include <string>

using namespace Larkspur;
using namespace TestSupport;
using GcfBuilder::SItem;

namespace
{

// Counts what the tool writes to stdout without keeping it.
class CCountingOutput final : public ICliOutput
{
public:
    void WriteOut(std::string_view sText) override
    {
        for (size_t uiStart = 0; uiStart < sText.size();)
        {
            if (bAtLineStart && sText.substr(uiStart).rfind("root", 0) != 0)
                bAllRooted = false;
            const size_t uiEnd = sText.find('\n', uiStart);
            if (uiEnd == std::string_view::npos)
            {
                bAtLineStart = false;
                break;
            }
            ++uiLines;
            bAtLineStart = true;
            uiStart = uiEnd + 1;
        }
    }
    void WriteError(std::string_view sText) override { sErr.append(sText); }
    void FlushOut() override {}
    bool OutIsTerminal() const override { return false; }
    bool ErrorTakesProgress() const override { return false; }
    bool OutTakesColour() const override { return false; }
    bool ErrorTakesColour() const override { return false; }

    uint64_t uiLines = 0;
    bool bAtLineStart = true, bAllRooted = true;
    std::string sErr;
};

// This process's address space now, from /proc.
rlim_t AddressSpaceInUse()
{
    std::ifstream Status("/proc/self/status");
    std::string sLine;
    while (std::getline(Status, sLine))
        if (sLine.rfind("VmSize:", 0) == 0)
            return std::stoull(sLine.substr(7)) * 1024;
    return 0;
}

class HostileCli : public CArchiveFolderTest
{
};

// Cut short or rewritten in place while list or extract runs: list answers
// from what it read at open; extract stops with a red line, "Done." and an
// error, status 1; no line written before is lost.
TEST_F(HostileCli, TheArchiveChangesWhileACommandRuns)
{
    std::vector<SItem> Files;
    for (int i = 0; i < 8; ++i)
        Files.push_back(SItem::File("file" + std::to_string(i), GcfBuilder::PatternData(256 << 10, i)));
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(SItem::Folder("root", Files));
    const std::string sArchive = Write("changing.gcf", Archive.Bytes);
    const SCliRun Untouched = RunCli({"list", sArchive}, Temp.sPath);
    ASSERT_EQ(Untouched.iExitCode, 0);

    const auto CutShort = [&] { ASSERT_EQ(::truncate(sArchive.c_str(), Archive.Layout.uiDataStart + 4096), 0); };
    const auto Rewrite = [&] {
        const int iFile = ::open(sArchive.c_str(), O_WRONLY);
        const std::vector<uint8_t> Garbage(Archive.Layout.uiDataStart - 44, 0xFF);
        ASSERT_EQ(::pwrite(iFile, Garbage.data(), Garbage.size(), 44), ssize_t(Garbage.size()));
        ::close(iFile);
    };
    for (const bool bCut : {true, false})
    {
        SCOPED_TRACE(bCut ? "cut short" : "rewritten");
        ASSERT_TRUE(GcfBuilder::WriteFile(sArchive, Archive.Bytes));
        EXPECT_EQ(RunInChild([&] {
                      CMemoryCliOutput Output;
                      bool bChanged = false;
                      Output.OnWriteOut = [&](std::string_view) {
                          if (!std::exchange(bChanged, true))
                              bCut ? CutShort() : Rewrite();
                      };
                      EXPECT_EQ(RunCli({"list", sArchive}, Temp.sPath, Output), Untouched);
                  }),
                  0);
    }

    ASSERT_TRUE(GcfBuilder::WriteFile(sArchive, Archive.Bytes));
    EXPECT_EQ(RunInChild([&] {
                  CMemoryCliOutput Output;
                  Output.bOutTerminal = true;  // one line at a time
                  Output.OnWriteOut = [&](std::string_view sText) {
                      if (sText.starts_with("Wrote"))
                          CutShort();
                  };
                  const SCliRun Run = RunCli({"extract", sArchive, "-o", Temp / "out"}, Temp.sPath, Output);
                  EXPECT_EQ(Run.iExitCode, 1);
                  const std::string sOut = Temp / "out";
                  EXPECT_EQ(Run.sOut, "Extracting to " + sOut + ".\nCreated " + sOut + "/.\nCreated " + sOut +
                                          "/root/.\nWrote " + sOut + "/root/file0 (256.00 KB).\nDone.\n");
                  EXPECT_EQ(Run.sErr, "Error writing " + sOut +
                                          "/root/file1 (the archive was cut short while it was open).\n1 error.\n"
                                          "Error:\nThe archive was cut short while it was open; the items not "
                                          "reached were not extracted.\n");
              }),
              0);
}

// The tool holds the start of one path at a time: a search that matches
// every folder of a deep chain of long shared names (paths of gigabytes in
// all) runs in little memory, the paths too long to show going to stderr.
TEST_F(HostileCli, DeepLongPathsTakeLittleMemory)
{
    const std::string sWide = Write("wide.gcf", GcfBuilder::NestedFolders(600, 4000, true).Bytes);
    EXPECT_EQ(RunInChild([&] {
                  const rlimit Limit{AddressSpaceInUse() + (256 << 20), RLIM_INFINITY};
                  ASSERT_EQ(::setrlimit(RLIMIT_AS, &Limit), 0);
                  CCountingOutput Output;
                  EXPECT_EQ(RunCommandLine(SCliContext{Output, Temp.sPath}, {"find", sWide, "aaaa"}), 1);
                  EXPECT_EQ(Output.uiLines, 1u);
                  EXPECT_TRUE(Output.bAllRooted);
                  EXPECT_TRUE(Output.sErr.ends_with("\n... and 499 more.\nSearch for 'aaaa' returned 600 results.\n"))
                      << Output.sErr.substr(Output.sErr.size() - 100);
              },
                         60),
              0);
}

// Names that would retitle, clear or recolour a terminal, or forge a line:
// every control character shows as "?" on every line, terminal or not, and
// the files on disk keep their exact names.
TEST_F(HostileCli, NamesCannotDriveTheTerminalOrForgeLines)
{
    const std::vector<std::string> Names = {"\x1b]0;owned\x07", "\x1b[2Jclear", "tab\tand\nnewline", "cr\rx",
                                            "c1 \x9b" "31m", "utf8 c1 \xc2\x9b", "del\x7f", "fine \xc3\x9b"};
    std::vector<SItem> Files;
    for (const std::string &sName : Names)
        Files.push_back(SItem::File(sName, "x"));
    const std::string sArchive = Write("names.gcf", GcfBuilder::Build(SItem::Folder("root", Files)).Bytes);
    const std::vector<std::string> Shown = {"?]0;owned?", "?[2Jclear", "tab?and?newline", "cr?x", "c1 ?31m",
                                            "utf8 c1 ?", "del?", "fine \xc3\x9b"};

    std::string sList = "root\t8 Items\tFolder\n";
    for (const std::string &sName : Shown)
        sList += "root/" + sName + "\t1 B\tFile\n";
    EXPECT_EQ(RunCli({"list", sArchive}, Temp.sPath).sOut, sList);

    const SCliRun Find = RunCli({"find", sArchive, "n"}, Temp.sPath);
    EXPECT_EQ(Find.sOut, "root/?]0;owned?\nroot/tab?and?newline\nroot/fine \xc3\x9b\n");

    for (const bool bTerminal : {false, true})
    {
        CMemoryCliOutput Output;
        Output.bOutTerminal = bTerminal;
        const std::string sOut = Temp / (bTerminal ? "terminal" : "pipe");
        const SCliRun Extract = RunCli({"extract", sArchive, "-o", sOut}, Temp.sPath, Output);
        EXPECT_EQ(Extract.iExitCode, 0);
        for (const char cChar : Extract.sOut)
            EXPECT_TRUE(cChar == '\n' || static_cast<unsigned char>(cChar) >= 0x20) << int(cChar);
        EXPECT_EQ(std::count(Extract.sOut.begin(), Extract.sOut.end(), '\n'), 12);
        SStrings OnDisk;
        for (const std::string &sName : Names)
            OnDisk.push_back("root/" + sName);
        OnDisk.push_back("root");
        std::sort(OnDisk.begin(), OnDisk.end());
        EXPECT_EQ(ListTree(sOut), OnDisk);
    }
}

// SIGTERM finishes the current file and every line, as Ctrl+C does; an
// empty output folder is a usage error, not the current folder.
TEST_F(HostileCli, TerminateStopsCleanlyAndAnEmptyFolderIsRefused)
{
    std::vector<SItem> Files;
    for (int i = 0; i < 5; ++i)
        Files.push_back(SItem::File("file" + std::to_string(i), "data"));
    const std::string sArchive = Write("five.gcf", GcfBuilder::Build(SItem::Folder("root", Files)).Bytes);
    const std::string sOut = Temp / "out";
    EXPECT_EQ(RunInChild([&] {
                  CMemoryCliOutput Output;
                  Output.bOutTerminal = true;
                  Output.OnWriteOut = [](std::string_view sText) {
                      if (sText.starts_with("Wrote") && sText.find("file1") != std::string_view::npos)
                          std::raise(SIGTERM);
                  };
                  const SCliRun Run = RunCli({"extract", sArchive, "-o", sOut}, Temp.sPath, Output);
                  EXPECT_EQ(Run.iExitCode, 128 + SIGTERM);
                  EXPECT_TRUE(Run.sOut.ends_with("/root/file1 (4 B).\nDone.\n")) << Run.sOut;
                  EXPECT_EQ(Run.sErr, "Interrupted: the items not reached were not extracted.\n");
                  EXPECT_EQ(ListTree(sOut), (SStrings{"root", "root/file0", "root/file1"}));
              }),
              0);

    EXPECT_EQ(RunInChild([&] {
                  ASSERT_EQ(::chdir(Temp.sPath.c_str()), 0);
                  const SCliRun Run = RunCli({"extract", sArchive, "-o", ""}, Temp.sPath);
                  EXPECT_EQ(Run.iExitCode, 2);
                  EXPECT_NE(Run.sErr.find("the folder's name is empty"), std::string::npos) << Run.sErr;
                  EXPECT_FALSE(FileExists(Temp / "root"));
              }),
              0);
}

}  // namespace
