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
