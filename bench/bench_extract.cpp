// SPDX-License-Identifier: MIT
// Extraction speed and memory against the file system's floor. A generated
// archive (about 1 GiB in 10,000 files by default; chains in order, and
// scattered) is extracted by larkspur-cli and by the window, and the same tree
// by tar -xf of an uncompressed tar and unzip -q of a stored zip; cp copies
// one file holding all the data; and the floor writes the same folders and
// files straight from this process's memory (one mkdir per folder, one open,
// write and close per file). The candidates run in interleaved rounds, in a
// shuffled order each round, with a sync before each run; the report gives
// the median and the minimum of each and their ratios, measured in this one
// run. Run as root, cold rounds follow, with the page cache dropped before
// every run of every tool. Then the peak memory of larkspur-cli, and, with
// --million, an archive of 1,000,000 small items (100,000 folders) extracted
// against the floor and tar.
//
//   bench_extract [--rounds N] [--cold-rounds N] [--mib N] [--files N] [--pause-ms N]
//                 [--cli PATH] [--compare PATH] [--no-window] [--million] [--million-rounds N] [--keep]
//
// --compare adds the extraction of another build of larkspur-cli (to weigh a
// change against the build before it in the same run). Everything is made
// under /tmp and deleted at the end (unless --keep).

#include "BenchDesktop.h"
#include "BenchRounds.h"
#include "GcfBuilder.h"
#include "window/CLarkspur.h"
#include "window/Utils.h"

#include <malloc.h>
#include <unistd.h>

#include <QAction>
#include <QApplication>
#include <QLocale>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

namespace fs = std::filesystem;
using namespace BenchRounds;

namespace
{

struct SOptions : SCommonOptions
{
    int iColdRounds = -1;  // -1: as many as the warm rounds, when run as root
    std::string sCompare;
    bool bWindow = true;
    bool bMillion = false;
    int iMillionRounds = 5;
};

SOptions ParseOptions(int argc, char **argv)
{
    SOptions Options;
    for (int i = 1; i < argc; ++i)
    {
        const std::string sOption = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (TakeCommonOption(argc, argv, i, Options))
            continue;
        if (sOption == "--cold-rounds" && bHasValue)
            Options.iColdRounds = std::max(0, std::atoi(argv[++i]));
        else if (sOption == "--compare" && bHasValue)
            Options.sCompare = argv[++i];
        else if (sOption == "--no-window")
            Options.bWindow = false;
        else if (sOption == "--million")
            Options.bMillion = true;
        else if (sOption == "--million-rounds" && bHasValue)
            Options.iMillionRounds = std::max(1, std::atoi(argv[++i]));
        else
            Fail("usage: bench_extract [--rounds N] [--cold-rounds N] [--mib N] [--files N] [--pause-ms N] "
                 "[--cli PATH] [--compare PATH] [--no-window] [--million] [--million-rounds N] [--keep]");
    }
    return Options;
}

void BuildArchive(const GcfBuilder::SItem &Tree, const GcfBuilder::SOptions &Options, const std::string &sPath)
{
    if (!GcfBuilder::BuildToFile(Tree, Options, sPath))
        Fail("could not build " + sPath);
}

// The window's Extract command on the root folder, as a user runs it: the
// archive is opened first (untimed; with a cold cache this reads its
// directory), then the extraction with its abort dialog and console lines is
// timed. The archive is closed again afterwards, so that a cold run finds no
// page of it mapped.
class CWindowRunner
{
public:
    explicit CWindowRunner(const std::string &sWork)
    {
        const Larkspur::SProgramFiles Files{QString::fromStdString(sWork + "/larkspur.cfg"),
                                  QString::fromStdString(sWork + "/larkspur.log"),
                                  {QString::fromStdString(sWork)}};
        Window = std::make_unique<Larkspur::CLarkspur>(QStringList(), Desktop, Files);
        Window->show();
        QCoreApplication::processEvents();
        sEmpty = sWork + "/empty.gcf";
        BuildArchive(GcfBuilder::SItem::Folder("root"), {}, sEmpty);
    }

    double Extract(const std::string &sArchive, const std::string &sOut)
    {
        Open(sArchive);
        auto *lpTree = Window->findChild<QTreeWidget *>(QStringLiteral("treGCFFile"));
        if (lpTree->topLevelItemCount() != 1)
            return -1;
        lpTree->setCurrentItem(lpTree->topLevelItem(0));
        Desktop.sFolder = QString::fromStdString(sOut);
        QAction *lpExtract = Window->findChild<QAction *>(QStringLiteral("btnExtractGCFTreeItem"));
        const auto Start = std::chrono::steady_clock::now();
        lpExtract->trigger();
        const double fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
        Open(sEmpty);
        // The console keeps every line; a long bench would keep them all.
        if (QAction *lpClear = Window->findChild<QAction *>(QStringLiteral("btnClearConsoleText")))
            lpClear->trigger();
        QCoreApplication::processEvents();
        return fSeconds;
    }

private:
    void Open(const std::string &sArchive)
    {
        Desktop.sOpenFileName = QString::fromStdString(sArchive);
        Window->findChild<QAction *>(QStringLiteral("btnOpen"))->trigger();
        QCoreApplication::processEvents();
    }

    CBenchDesktop Desktop;
    std::unique_ptr<Larkspur::CLarkspur> Window;
    std::string sEmpty;
};

SCandidate Command(std::string sName, std::vector<std::string> Arguments)
{
    return {std::move(sName), std::move(Arguments), {}};
}

// The reference extraction of sArchive, with the tar (and the zip) of it.
void MakeReference(const SOptions &Options, const std::string &sArchive, const std::string &sReference,
                   const std::string &sWork, bool bZip)
{
    fs::create_directory(sReference);
    RunOrFail({Options.sCli, "extract", sArchive, "-o", sReference});
    RunOrFail({"tar", "-cf", sWork + "/" + fs::path(sReference).filename().string() + ".tar", "-C", sReference, "root"});
    if (bZip)
        RunOrFail({"sh", "-c", "cd '" + sReference + "' && zip -0 -r -q '" + sWork + "/tree.zip' root"});
}

void PrintMemory(const SOptions &Options, const std::string &sWork, const std::string &sOut,
                 const std::vector<std::string> &Archives)
{
    // The archive is mapped, and the pages the kernel copies from count in
    // RSS as file pages; what the program itself holds is RssAnon.
    std::printf("\nPeak memory of larkspur-cli extract (VmHWM, RssAnon and RssFile, sampled from /proc; "
                "target RssAnon under 16 MiB):\n");
    int iRun = 0;
    for (const std::string &sArchive : Archives)
    {
        const std::string sRunOut = sOut + "/memory" + std::to_string(++iRun);
        fs::create_directories(sRunOut);
        ::sync();
        const SRun Run = RunCommand({Options.sCli, "extract", sWork + "/" + sArchive, "-o", sRunOut}, true);
        EmptyTree(sRunOut);
        std::printf("  %-14s %8.1f MiB archive: peak RSS %7.1f MiB, RssAnon %6.1f MiB (%s), RssFile %7.1f MiB\n",
                    sArchive.c_str(), static_cast<double>(fs::file_size(sWork + "/" + sArchive)) / (1 << 20),
                    Run.iPeakRssKiB / 1024.0, Run.iPeakAnonKiB / 1024.0, Run.iPeakAnonKiB < 16 * 1024 ? "ok" : "OVER",
                    Run.iPeakFileKiB / 1024.0);
    }
}

// 1,000,000 items: 100,000 folders of 9 small files each, in 512-byte blocks.
void BenchMillion(const SOptions &Options, const std::string &sWork, const std::string &sOut)
{
    std::printf("\n--- 1,000,000 items (100,000 folders of 9 files of 100 bytes) ---\n");
    {
        GcfBuilder::SOptions Build;
        Build.uiBlockSize = Build.uiDataBlockSize = 512;
        BuildArchive(GcfBuilder::WideTree(100000, 9, 100), Build, sWork + "/million.gcf");
    }
    ::malloc_trim(0);
    const std::string sReference = sWork + "/million";
    MakeReference(Options, sWork + "/million.gcf", sReference, sWork, false);
    CFloorTree Floor;
    Floor.Load(sReference);
    const std::vector<SCandidate> Candidates = {
        {"floor", {}, [&](const std::string &sRunOut) {
             const auto Start = std::chrono::steady_clock::now();
             if (!Floor.Write(sRunOut))
                 return -1.0;
             return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
         }},
        Command("larkspur", {Options.sCli, "extract", sWork + "/million.gcf", "-o", "{OUT}"}),
        Command("tar -xf", {"tar", "-xf", sWork + "/million.tar", "-C", "{OUT}"}),
    };
    SRoundOptions Rounds;
    Rounds.iRounds = Options.iMillionRounds;
    // A copy of a million inodes per run would not fit: each run's output is
    // deleted. ext4 without a journal passes over inodes freed in the last
    // 5 seconds (300 while their table is dirty) when it makes new ones, so
    // after the sync every run waits that out.
    Rounds.iPauseMs = std::max(Options.iPauseMs, 6000);
    Rounds.bDelete = true;
    const auto Times = RunRounds(Candidates, Rounds, sOut);
    PrintTimes(Times, {"floor", "larkspur", "tar -xf"}, Floor.Bytes());
    std::printf("\nTime ratios (lower is faster):\n");
    PrintRatio(Times, "larkspur", "floor", 1.25);
    PrintRatio(Times, "larkspur", "tar -xf", 1.0, true);
    PrintMemory(Options, sWork, sOut, {"million.gcf"});
    RemoveTree(sReference);
}

}  // namespace

int main(int argc, char **argv)
{
    const SOptions Options = ParseOptions(argc, argv);
    if (::access(Options.sCli.c_str(), X_OK) != 0)
        Fail("larkspur-cli not found at " + Options.sCli + " (build it, or pass --cli PATH)");
    for (const char *szTool : {"tar", "zip", "unzip", "cp"})
        if (std::system((std::string("command -v ") + szTool + " >/dev/null").c_str()) != 0)
            Fail(std::string(szTool) + " is missing (apt-get install zip unzip)");
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes ("does not support raise()") would
    // break the report's lines.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &) {});
    QApplication App(argc, argv);
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    Larkspur::Utils::BuildExtTable();

    std::string sWork = "/tmp/larkspur-bench-XXXXXX";
    if (::mkdtemp(sWork.data()) == nullptr)
        Fail("mkdtemp failed");
    std::printf("Work folder: %s\n", sWork.c_str());

    // The archives: the same tree with chains in order and scattered, and a
    // small one for the memory comparison.
    {
        const GcfBuilder::SItem Tree = GcfBuilder::BulkTree(Options.uiMiB << 20, Options.uiFiles, 1);
        GcfBuilder::SOptions Build;
        BuildArchive(Tree, Build, sWork + "/inorder.gcf");
        Build.bScatter = true;
        BuildArchive(Tree, Build, sWork + "/scattered.gcf");
        BuildArchive(GcfBuilder::BulkTree(8 << 20, 100, 2), {}, sWork + "/small.gcf");
    }
    ::malloc_trim(0);  // the tree is gone: every fork below copies less
    std::printf("Archives: %.1f MiB each, %u files\n",
                static_cast<double>(fs::file_size(sWork + "/inorder.gcf")) / (1 << 20), Options.uiFiles);

    // A reference extraction, checked against the scattered one, gives the
    // tar, the zip, the one-file baseline and the floor's tree.
    const std::string sReference = sWork + "/reference", sCheck = sWork + "/check", sOut = sWork + "/out";
    MakeReference(Options, sWork + "/inorder.gcf", sReference, sWork, true);
    fs::create_directory(sCheck);
    RunOrFail({Options.sCli, "extract", sWork + "/scattered.gcf", "-o", sCheck});
    ExpectSameTree(sReference, sCheck);
    EmptyTree(sCheck);
    RunOrFail({"sh", "-c", "find '" + sReference + "' -type f | sort | xargs cat > '" + sWork + "/all.bin'"});
    CFloorTree Floor;
    Floor.Load(sReference);
    std::printf("Data: %.1f MiB in %zu files; tar %.1f MiB, zip %.1f MiB\n\n",
                static_cast<double>(Floor.Bytes()) / (1 << 20), Floor.Files(),
                static_cast<double>(fs::file_size(sWork + "/reference.tar")) / (1 << 20),
                static_cast<double>(fs::file_size(sWork + "/tree.zip")) / (1 << 20));

    std::unique_ptr<CWindowRunner> Window;
    if (Options.bWindow)
        Window = std::make_unique<CWindowRunner>(sWork);
    std::vector<SCandidate> Candidates = {
        Command("larkspur in order", {Options.sCli, "extract", sWork + "/inorder.gcf", "-o", "{OUT}"}),
        Command("larkspur scattered", {Options.sCli, "extract", sWork + "/scattered.gcf", "-o", "{OUT}"}),
        Command("tar -xf", {"tar", "-xf", sWork + "/reference.tar", "-C", "{OUT}"}),
        Command("unzip -q", {"unzip", "-q", sWork + "/tree.zip", "-d", "{OUT}"}),
        Command("cp (one file)", {"cp", sWork + "/all.bin", "{OUT}/all.bin"}),
    };
    std::vector<std::string> Larkspurs = {"larkspur in order", "larkspur scattered"};
    if (Window)
    {
        for (const char *szLayout : {"inorder", "scattered"})
        {
            const std::string sName = std::string("window ") + (szLayout[0] == 'i' ? "in order" : "scattered");
            const std::string sArchive = sWork + "/" + szLayout + ".gcf";
            Candidates.push_back({sName, {}, [&Window, sArchive](const std::string &sRunOut) {
                                      return Window->Extract(sArchive, sRunOut);
                                  }});
            Larkspurs.push_back(sName);
        }
    }
    if (!Options.sCompare.empty())
    {
        for (const char *szLayout : {"inorder", "scattered"})
        {
            const std::string sName = std::string("compared ") + (szLayout[0] == 'i' ? "in order" : "scattered");
            Candidates.push_back(
                Command(sName, {Options.sCompare, "extract", sWork + "/" + szLayout + ".gcf", "-o", "{OUT}"}));
            Larkspurs.push_back(sName);
        }
    }
    std::vector<SCandidate> Warm = Candidates;
    Warm.push_back({"floor", {}, [&Floor](const std::string &sRunOut) {
                        const auto Start = std::chrono::steady_clock::now();
                        if (!Floor.Write(sRunOut))
                            return -1.0;
                        return std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
                    }});

    SRoundOptions Rounds;
    Rounds.iRounds = Options.iRounds;
    Rounds.iPauseMs = Options.iPauseMs;
    const auto Times = RunRounds(Warm, Rounds, sOut);
    std::vector<std::string> Names = Larkspurs;
    for (const char *szBase : {"floor", "tar -xf", "unzip -q", "cp (one file)"})
        Names.push_back(szBase);
    PrintTimes(Times, Names, Floor.Bytes());
    std::printf("\nTime ratios (lower is faster):\n");
    for (const std::string &sName : Larkspurs)
    {
        PrintRatio(Times, sName, "floor", 1.25);
        PrintRatio(Times, sName, "tar -xf", 1.0, true);
        PrintRatio(Times, sName, "unzip -q", 1.0, true);
        PrintRatio(Times, sName, "cp (one file)", 0);
    }
    PrintRatio(Times, "tar -xf", "floor", 0);

    const int iColdRounds = Options.iColdRounds < 0 ? Options.iRounds : Options.iColdRounds;
    if (iColdRounds > 0 && !CanDropCaches())
        std::printf("\nCold rounds skipped: dropping the page cache needs root.\n");
    else if (iColdRounds > 0)
    {
        std::printf("\nCold cache: the page cache is dropped before every run.\n");
        std::vector<SCandidate> Cold;
        for (const SCandidate &Candidate : Candidates)
            if (Candidate.sName != "unzip -q")
                Cold.push_back(Candidate);
        Rounds.iRounds = iColdRounds;
        Rounds.bCold = true;
        const auto ColdTimes = RunRounds(Cold, Rounds, sOut);
        std::vector<std::string> ColdNames = Larkspurs;
        ColdNames.push_back("tar -xf");
        ColdNames.push_back("cp (one file)");
        PrintTimes(ColdTimes, ColdNames, Floor.Bytes());
        std::printf("\nCold time ratios (target: no slower than tar):\n");
        for (const std::string &sName : Larkspurs)
        {
            PrintRatio(ColdTimes, sName, "tar -xf", 1.0, true);
            PrintRatio(ColdTimes, sName, "cp (one file)", 0);
        }
    }
    Window.reset();

    PrintMemory(Options, sWork, sOut, {"small.gcf", "inorder.gcf", "scattered.gcf"});
    if (Options.bMillion)
        BenchMillion(Options, sWork, sOut);

    if (Options.bKeep)
        std::printf("\nKept %s\n", sWork.c_str());
    else
        RemoveTree(sWork);
    return 0;
}
