// SPDX-License-Identifier: MIT
// larkspur-cli extract, run in-process: the console lines on stdout, what
// lands on disk, the exit status, and what a terminal sees.
#include "tests/cli/CliSupport.h"
#include "tests/support/ExtractionSupport.h"

#include "cli/CProcessOutput.h"

#include <sched.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

using namespace ExtractionTest;
using GcfBuilder::SItem;

namespace
{

SItem CliTree()
{
    SItem Ghost = SItem::File("ghost", "");
    Ghost.bNoData = true;
    return SItem::Folder("root", {SItem::Folder("a", {SItem::File("b.txt", "hello world\n"),
                                                      SItem::Folder("c", {SItem::File("d.txt", std::string(1536, 'd'))})}),
                                  SItem::File("top", "top"), Ghost});
}

// Runs "extract ARGUMENTS" with the dump kept in the case's folder.
SCliRun Extract(const CArchiveCase &Case, std::vector<std::string> Arguments, CMemoryCliOutput Output = {})
{
    Arguments.insert(Arguments.begin(), "extract");
    return RunCli(Arguments, Case.Temp.sPath, std::move(Output));
}

}  // namespace

TEST(ExtractionCli, PrintsTheConsoleLinesAndItsStatus)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut;
    ::mkdir(sOut.c_str(), 0755);
    const SCliRun Example = Extract(Case, {sArchive, "root/a", "-o", sOut});
    EXPECT_EQ(Example.iExitCode, 0) << Example.sErr;
    EXPECT_EQ(Example.sOut, "Extracting to " + sOut + ".\nCreated " + sOut + "/a/.\nWrote " + sOut +
                                "/a/b.txt (12 B).\nCreated " + sOut + "/a/c/.\nWrote " + sOut +
                                "/a/c/d.txt (1.50 KB).\nDone.\n");
    EXPECT_EQ(Example.sErr, "");

    // Several items in order into one folder; a failure goes to stderr,
    // counted after "Done.", and makes the status 1.
    const SCliRun Two = Extract(Case, {sArchive, "\\root\\top", "root/ghost", "-o", sOut + "/"});
    EXPECT_EQ(Two, (SCliRun{1, "Extracting to " + sOut + "/.\nWrote " + sOut + "/top (3 B).\nDone.\n",
                            "Error writing ghost (no physical data to write).\n1 error.\n"}));

    // Without items, the whole archive.
    const SCliRun Whole = Extract(Case, {sArchive, "-o", sOut});
    EXPECT_EQ(Whole.iExitCode, 1);
    EXPECT_EQ(ReadFile(sOut + "/root/a/c/d.txt"), std::string(1536, 'd'));
}

TEST(ExtractionCli, WrongArgumentsWriteNothingAndGiveStatus2)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut, sBad = Case.Temp / "bad.gcf";
    ::mkdir(sOut.c_str(), 0755);
    WriteText(sBad, "far too short to be an archive");
    const std::vector<std::pair<std::vector<std::string>, std::string>> Cases = {
        {{sArchive, "root/nope", "-o", sOut}, "No such item: root/nope\n"},
        {{sArchive, "root/top", "root/a/x", "-o", sOut}, "No such item: root/a/x\n"},
        {{sArchive, "-o", sArchive}, "No such folder: " + sArchive + "\n"},
        {{sArchive, "root/nope", "-o", sOut + "/missing"}, "No such item: root/nope\n"},
        {{sBad, "-o", sOut}, "Could not open:\n"},
    };
    for (const auto &[Arguments, sError] : Cases)
    {
        const SCliRun Result = Extract(Case, Arguments);
        EXPECT_EQ(Result.iExitCode, 2) << sError;
        EXPECT_EQ(Result.sOut, "");
        EXPECT_TRUE(Result.sErr.starts_with(sError)) << Result.sErr;
    }
    EXPECT_EQ(ListTree(sOut), SStrings{});
}

TEST(ExtractionCli, AMissingOutputFolderIsMadeWithItsParents)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sNew = Case.sOut + "/new/deeper";
    const SCliRun Result = Extract(Case, {sArchive, "root/top", "-o", sNew});
    EXPECT_EQ(Result, (SCliRun{0,
                               "Extracting to " + sNew + ".\nCreated " + sNew + "/.\nWrote " + sNew +
                                   "/top (3 B).\nDone.\n",
                               ""}));
    EXPECT_EQ(ReadFile(sNew + "/top"), "top");

    // A folder that cannot be made fails every item, as in the window; the
    // system says why.
    const std::string sBlocked = Case.sOut + "/new/deeper/top/inside";
    const SCliRun Blocked = Extract(Case, {sArchive, "root/top", "root/a", "-o", sBlocked});
    const std::string sFailed = "Faild to create directory " + sBlocked + "/. (Not a directory)\n";
    EXPECT_EQ(Blocked, (SCliRun{1, "Extracting to " + sBlocked + ".\nDone.\n", sFailed + sFailed + "2 errors.\n"}));
}

TEST(ExtractionCli, ATerminalSeesColouredLinesSafeNamesAndAProgressBar)
{
    CArchiveCase Case(SItem::Folder("root", {SItem::File("bell\x07.txt", "x"), SItem::File("ok", "ok")}));
    ::mkdir(Case.sOut.c_str(), 0755);
    CMemoryCliOutput Terminal;
    Terminal.bOutTerminal = Terminal.bErrorProgress = Terminal.bOutColour = Terminal.bErrorColour = true;
    const SCliRun Result = Extract(Case, {Case.Temp / "archive.gcf", "-o", Case.sOut}, std::move(Terminal));
    EXPECT_EQ(Result.iExitCode, 0) << Result.sErr;
    // The bell in the name is written as "?"; the file on disk keeps its name.
    EXPECT_EQ(Result.sOut, "\033[32mExtracting to " + Case.sOut + ".\033[0m\n"
                           "\033[90mCreated " + Case.sOut + "/root/.\033[0m\n"
                           "\033[90mWrote " + Case.sOut + "/root/bell?.txt (1 B).\033[0m\n"
                           "\033[90mWrote " + Case.sOut + "/root/ok (2 B).\033[0m\n"
                           "\033[32mDone.\033[0m\n");
    EXPECT_EQ(ReadFile(Case.sOut + "/root/bell\x07.txt"), "x");
    // The bar is drawn on stderr, redrawn after each line and erased at the end.
    EXPECT_NE(Result.sErr.find("] 2/2 files\033[K"), std::string::npos) << Result.sErr;
    EXPECT_TRUE(Result.sErr.ends_with("\r\033[K")) << Result.sErr;

    // A terminal that takes no colour gets the same lines, plain.
    CMemoryCliOutput Plain;
    Plain.bOutTerminal = true;
    EXPECT_EQ(Extract(Case, {Case.Temp / "archive.gcf", "root/bell\x07.txt", "-o", Case.sOut}, std::move(Plain)).sOut,
              "Extracting to " + Case.sOut + ".\nWrote " + Case.sOut + "/bell?.txt (1 B).\nDone.\n");
}

TEST(ExtractionCli, EscapesOnlyOnATerminalThatIsNotDumbColourNotWithNoColor)
{
    const struct
    {
        bool bTerminal;
        const char *szNoColor, *szTerm;
        bool bEscapes, bColour;
    } Cases[] = {
        {true, nullptr, "xterm-256color", true, true}, {true, nullptr, nullptr, true, true},
        {false, nullptr, "xterm", false, false},       {true, "1", "xterm", true, false},
        {true, "", "xterm", true, true},  // an empty NO_COLOR asks for nothing
        {true, nullptr, "dumb", false, false},         {true, "yes", "dumb", false, false},
        {true, nullptr, "dumber", true, true},
    };
    for (const auto &Case : Cases)
    {
        SCOPED_TRACE(testing::Message() << Case.bTerminal << " " << (Case.szNoColor ? Case.szNoColor : "(unset)")
                                        << " " << (Case.szTerm ? Case.szTerm : "(unset)"));
        EXPECT_EQ(EscapesWanted(Case.bTerminal, Case.szTerm), Case.bEscapes);
        EXPECT_EQ(ColourWanted(Case.bTerminal, Case.szNoColor, Case.szTerm), Case.bColour);
    }
}

// -k keeps what stands at a file's path and says so; replacing stays the
// default. -q leaves out the lines of each item written, not its failures.
TEST(ExtractionCli, KeepOldFilesAndQuiet)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut;
    ASSERT_EQ(Extract(Case, {sArchive, "root/a", "-o", sOut}).iExitCode, 0);
    WriteText(sOut + "/a/b.txt", "edited");
    ::unlink((sOut + "/a/c/d.txt").c_str());

    EXPECT_EQ(Extract(Case, {sArchive, "root/a", "--keep-old-files", "-o", sOut}),
              (SCliRun{0,
                       "Extracting to " + sOut + ".\nKept " + sOut + "/a/b.txt (it exists).\nWrote " + sOut +
                           "/a/c/d.txt (1.50 KB).\nDone.\n",
                       ""}));
    EXPECT_EQ(ReadFile(sOut + "/a/b.txt"), "edited");

    EXPECT_EQ(Extract(Case, {sArchive, "-q", "-o", sOut}),
              (SCliRun{1, "Extracting to " + sOut + ".\nDone.\n",
                       "Error writing ghost (no physical data to write).\n1 error.\n"}));
    EXPECT_EQ(ReadFile(sOut + "/root/a/b.txt"), "hello world\n");
    EXPECT_EQ(Extract(Case, {sArchive, "root/a", "-kq", "-o", sOut}),
              (SCliRun{0, "Extracting to " + sOut + ".\nDone.\n", ""}));
    EXPECT_EQ(ReadFile(sOut + "/a/b.txt"), "edited");
}

// The system's reason follows each failure: a folder the user may not
// write (as root writes through permission bits, the child drops to
// nobody), and a full disk (a 64 KiB file system of the child's own).
TEST(ExtractionCli, FailuresCarryTheSystemsReason)
{
    CArchiveCase Case(
        SItem::Folder("root", {SItem::File("small", "s"), SItem::File("big", std::string(256 << 10, 'b'))}));
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut;
    ::chmod(Case.Temp.sPath.c_str(), 0755);  // the archive readable by nobody
    ::mkdir(sOut.c_str(), 0555);
    EXPECT_EQ(RunInChild([&] {
                  if (::geteuid() == 0)
                  {
                      ASSERT_EQ(::setresgid(65534, 65534, 65534) | ::setresuid(65534, 65534, 65534), 0);
                  }
                  const std::string sFailed = "Faild to create directory " + sOut + "/root/. (Permission denied)\n";
                  EXPECT_EQ(Extract(Case, {sArchive, "-o", sOut}),
                            (SCliRun{1, "Extracting to " + sOut + ".\nDone.\n", sFailed + sFailed + "2 errors.\n"}));
              }),
              0);

    if (::geteuid() != 0)
        GTEST_SKIP() << "a file system of its own needs root";
    ::chmod(sOut.c_str(), 0755);
    EXPECT_EQ(RunInChild([&] {
                  ASSERT_EQ(::unshare(CLONE_NEWNS), 0);
                  ASSERT_EQ(::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr), 0);
                  ASSERT_EQ(::mount("larkspur-test", sOut.c_str(), "tmpfs", 0, "size=64k"), 0);
                  EXPECT_EQ(Extract(Case, {sArchive, "-o", sOut}),
                            (SCliRun{1,
                                     "Extracting to " + sOut + ".\nCreated " + sOut + "/root/.\nWrote " + sOut +
                                         "/root/small (1 B).\nDone.\n",
                                     "Error writing " + sOut +
                                         "/root/big (fwrite() failure). (No space left on device)\n1 error.\n"}));
              }),
              0);
}

TEST(ExtractionCli, CtrlCStopsBetweenItems)
{
    SItem Many = SItem::Folder("many");
    for (int i = 0; i < 5; ++i)
        Many.Children.push_back(SItem::File("f" + std::to_string(i), "data"));
    CArchiveCase Case(SItem::Folder("root", {Many}));
    ::mkdir(Case.sOut.c_str(), 0755);
    CMemoryCliOutput Terminal;
    Terminal.bOutTerminal = true;  // each line comes out as it is written
    Terminal.OnWriteOut = [](std::string_view sText) {
        if (sText.find("/f1 ") != std::string_view::npos)
            std::raise(SIGINT);
    };
    const SCliRun Result = Extract(Case, {Case.Temp / "archive.gcf", "root/many", "-o", Case.sOut},
                                   std::move(Terminal));
    EXPECT_EQ(Result.iExitCode, 128 + SIGINT);
    EXPECT_EQ(Result.sErr, "Interrupted: the items not reached were not extracted.\n");
    EXPECT_EQ(ListTree(Case.sOut), (SStrings{"many", "many/f0", "many/f1"}));
    EXPECT_TRUE(Result.sOut.ends_with("\nDone.\n")) << Result.sOut;
}
