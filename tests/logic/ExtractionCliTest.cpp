// larkspur-cli extract run as a child process: the console lines on stdout,
// what lands on disk, and the exit status.
#include "ExtractionSupport.h"

#include <QProcess>
#include <QStringList>

#include <sys/stat.h>

using namespace ExtractionTest;
using GcfBuilder::SItem;

namespace
{

struct SCliRun
{
    int iExitCode = -1;
    std::string sOut, sErr;
};

SCliRun RunCli(QStringList Arguments)
{
    QProcess Process;
    Arguments.prepend(QStringLiteral("extract"));
    Process.start(QStringLiteral(LARKSPUR_CLI_PATH), Arguments);
    SCliRun Result;
    if (!Process.waitForFinished(60000) || Process.exitStatus() != QProcess::NormalExit)
        return Result;
    return {Process.exitCode(), Process.readAllStandardOutput().toStdString(), Process.readAllStandardError().toStdString()};
}

QString Q(const std::string &sText)
{
    return QString::fromStdString(sText);
}

SItem CliTree()
{
    SItem Ghost = SItem::File("ghost", "");
    Ghost.bNoData = true;
    return SItem::Folder("root", {SItem::Folder("a", {SItem::File("b.txt", "hello world\n"),
                                                      SItem::Folder("c", {SItem::File("d.txt", std::string(1536, 'd'))})}),
                                  SItem::File("top", "top"), Ghost});
}

}  // namespace

TEST(ExtractionCli, PrintsTheConsoleLinesAndItsStatus)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut;
    ::mkdir(sOut.c_str(), 0755);
    const SCliRun Example = RunCli({Q(sArchive), "root/a", "-o", Q(sOut)});
    EXPECT_EQ(Example.iExitCode, 0) << Example.sErr;
    EXPECT_EQ(Example.sOut, "Extracting to " + sOut + ".\nCreated " + sOut + "/a/.\nWrote " + sOut +
                                "/a/b.txt (12 B).\nCreated " + sOut + "/a/c/.\nWrote " + sOut +
                                "/a/c/d.txt (1.50 KB).\nDone.\n");
    EXPECT_EQ(Example.sErr, "");

    // Several items in order into one folder; a red line makes the status 1.
    const SCliRun Two = RunCli({Q(sArchive), "\\root\\top", "root/ghost", "-o", Q(sOut + "/")});
    EXPECT_EQ(Two.iExitCode, 1);
    EXPECT_EQ(Two.sOut, "Extracting to " + sOut + "/.\nWrote " + sOut +
                            "/top (3 B).\nError writing ghost (no physical data to write).\nDone.\n");

    // Without items, the whole archive.
    const SCliRun Whole = RunCli({Q(sArchive), "-o", Q(sOut)});
    EXPECT_EQ(Whole.iExitCode, 1);
    EXPECT_EQ(ReadFile(sOut + "/root/a/c/d.txt"), std::string(1536, 'd'));
}

TEST(ExtractionCli, WrongArgumentsWriteNothingAndGiveStatus2)
{
    CArchiveCase Case(CliTree());
    const std::string sArchive = Case.Temp / "archive.gcf", sOut = Case.sOut, sBad = Case.Temp / "bad.gcf";
    ::mkdir(sOut.c_str(), 0755);
    WriteText(sBad, "far too short to be an archive");
    const std::vector<std::pair<QStringList, std::string>> Cases = {
        {{Q(sArchive), "root/nope", "-o", Q(sOut)}, "No such item: root/nope\n"},
        {{Q(sArchive), "root/top", "root/a/x", "-o", Q(sOut)}, "No such item: root/a/x\n"},
        {{Q(sArchive), "-o", Q(sOut + "/missing")}, "No such folder: " + sOut + "/missing\n"},
        {{Q(sArchive), "-o", Q(sArchive)}, "No such folder: " + sArchive + "\n"},
        {{Q(sBad), "-o", Q(sOut)}, "Could not open:\n"},
    };
    for (const auto &[Arguments, sError] : Cases)
    {
        const SCliRun Result = RunCli(Arguments);
        EXPECT_EQ(Result.iExitCode, 2) << sError;
        EXPECT_EQ(Result.sOut, "");
        EXPECT_TRUE(Result.sErr.starts_with(sError)) << Result.sErr;
    }
    EXPECT_EQ(ListTree(sOut), SStrings{});
}
