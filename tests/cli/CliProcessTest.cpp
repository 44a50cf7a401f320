// SPDX-License-Identifier: MIT
// larkspur-cli as a program: what only a real process shows, the exit status
// the shell sees, output that reaches a pipe or a full disk, and dump.txt in
// the process's current folder. Everything else about the commands is tested
// in-process.

#include "GcfBuilder.h"
#include "tests/cli/CliSupport.h"

#include <QProcess>
#include <QStringList>
#include <gtest/gtest.h>

#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>

using namespace TestSupport;
using GcfBuilder::SItem;

TEST(CliProcess, ExitStatusesAndOutputAsTheShellSeesThem)
{
    CTempDir Temp;
    const std::string sArchive = Temp / "wide.gcf", sBad = Temp / "bad.gcf", sWork = Temp / "work";
    // Enough lines that the listing leaves the program in several buffers.
    ASSERT_TRUE(GcfBuilder::WriteFile(sArchive, GcfBuilder::Build(GcfBuilder::WideTree(40, 100)).Bytes));
    ASSERT_TRUE(GcfBuilder::WriteFile(sBad, std::vector<uint8_t>(64, 0)));  // version 0: refused with a dump
    ::mkdir(sWork.c_str(), 0755);

    const struct
    {
        std::vector<std::string> Arguments;
        const char *szStdout;  // a file stdout goes to, or null for a pipe
        int iExitCode;
    } Cases[] = {
        {{"list", sArchive}, nullptr, 0},
        {{"list", sArchive}, "/dev/full", 1},
        {{"find", sArchive, "file0001"}, nullptr, 0},
        {{"dump", sBad}, nullptr, 2},
        {{"list", sArchive, "root/nothing"}, nullptr, 2},
        {{"info"}, nullptr, 2},
        {{"extract", sArchive, "root/folder0000/file00000.txt", "-o", sBad}, nullptr, 2},
        {{"--version"}, nullptr, 0},
    };
    for (const auto &Case : Cases)
    {
        const std::string sCase = testing::PrintToString(Case.Arguments) + (Case.szStdout ? Case.szStdout : "");
        QProcess Process;
        QProcessEnvironment Environment = QProcessEnvironment::systemEnvironment();
        Environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));  // sizes grouped as in-process
        Process.setProcessEnvironment(Environment);
        Process.setWorkingDirectory(QString::fromStdString(sWork));
        if (Case.szStdout)
            Process.setStandardOutputFile(QString::fromLatin1(Case.szStdout));
        QStringList Arguments;
        for (const std::string &sArgument : Case.Arguments)
            Arguments << QString::fromStdString(sArgument);
        Process.start(QStringLiteral(LARKSPUR_CLI_PATH), Arguments);
        ASSERT_TRUE(Process.waitForFinished(60000)) << sCase;
        ASSERT_EQ(Process.exitStatus(), QProcess::NormalExit) << sCase;
        EXPECT_EQ(Process.exitCode(), Case.iExitCode) << sCase;

        const std::string sOut = Process.readAllStandardOutput().toStdString();
        const std::string sErr = Process.readAllStandardError().toStdString();
        if (Case.szStdout)
        {
            EXPECT_EQ(sErr, "Error:\nCould not write the output.\n") << sCase;
            continue;
        }
        // Every byte of the in-process run arrives through the pipe; a usage
        // error's text is the command-line parser's own.
        const SCliRun InProcess = RunCli(Case.Arguments, sWork);
        EXPECT_EQ(sOut, InProcess.sOut) << sCase;
        EXPECT_EQ(sErr, InProcess.sErr) << sCase;
    }
    // The program writes a refused archive's dump into its current folder.
    EXPECT_TRUE(ReadFile(sWork + "/dump.txt").starts_with("Dump:\tGCF Header\r\n"));
}

// With both streams in one file ("> log 2>&1"), each failure stands where it
// happened among the lines on stdout; "Done." ends those, the count of
// failures follows.
TEST(CliProcess, BothStreamsInOneFileKeepTheirOrder)
{
    CTempDir Temp;
    SItem Ghost = SItem::File("ghost", "");
    Ghost.bNoData = true;
    const std::string sArchive = Temp / "ghost.gcf", sOut = Temp / "out";
    const SItem Tree = SItem::Folder("root", {SItem::File("a", "a"), Ghost, SItem::File("z", "z")});
    ASSERT_TRUE(GcfBuilder::WriteFile(sArchive, GcfBuilder::Build(Tree).Bytes));
    QProcess Process;
    Process.setProcessChannelMode(QProcess::MergedChannels);
    Process.start(QStringLiteral(LARKSPUR_CLI_PATH),
                  {QStringLiteral("extract"), QString::fromStdString(sArchive), QStringLiteral("-o"),
                   QString::fromStdString(sOut)});
    ASSERT_TRUE(Process.waitForFinished(60000));
    EXPECT_EQ(Process.exitCode(), 1);
    EXPECT_EQ(Process.readAll().toStdString(),
              "Extracting to " + sOut + ".\nCreated " + sOut + "/.\nCreated " + sOut + "/root/.\nWrote " + sOut +
                  "/root/a (1 B).\nError writing ghost (no physical data to write).\nWrote " + sOut +
                  "/root/z (1 B).\nDone.\n1 error.\n");
}

// On a terminal the lines take colours and stderr a progress bar; on a
// terminal that declares itself dumb no escape sequence is written at all.
TEST(CliProcess, ADumbTerminalGetsNoEscapeSequences)
{
    CTempDir Temp;
    const std::string sArchive = Temp / "wide.gcf";
    ASSERT_TRUE(GcfBuilder::WriteFile(sArchive, GcfBuilder::Build(GcfBuilder::WideTree(3, 3)).Bytes));
    for (const char *szTerm : {"xterm", "dumb"})
    {
        int iTerminal = -1;
        const pid_t iChild = ::forkpty(&iTerminal, nullptr, nullptr, nullptr);
        ASSERT_GE(iChild, 0);
        if (iChild == 0)
        {
            ::setenv("TERM", szTerm, 1);
            ::unsetenv("NO_COLOR");
            const std::string sOut = Temp / szTerm;
            ::execl(LARKSPUR_CLI_PATH, "larkspur-cli", "extract", sArchive.c_str(), "-o", sOut.c_str(), nullptr);
            ::_exit(127);
        }
        std::string sShown;
        char Buffer[4096];
        for (ssize_t iRead; (iRead = ::read(iTerminal, Buffer, sizeof Buffer)) > 0;)
            sShown.append(Buffer, static_cast<size_t>(iRead));
        ::close(iTerminal);
        int iStatus = 0;
        ASSERT_EQ(::waitpid(iChild, &iStatus, 0), iChild);
        EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0) << szTerm;
        EXPECT_NE(sShown.find("Done."), std::string::npos) << sShown;
        EXPECT_EQ(sShown.find('\033') != std::string::npos, std::string(szTerm) == "xterm") << szTerm;
    }
}
