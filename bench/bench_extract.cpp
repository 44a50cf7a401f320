// Extraction speed and memory: larkspur-cli extract of a generated archive of
// about 1 GiB in 10,000 files (chains in order, and scattered), against tar -xf
// of an uncompressed tar, unzip -q of a stored zip of the same tree, and cp of
// one file holding all the data. The candidates run in interleaved rounds, in
// a shuffled order each round; the report gives the median and the minimum
// of each and their ratios, measured in this one run. Then the peak memory of
// larkspur-cli for a small and for the large archive.
//
// A run's output is not deleted before the next run: its files are emptied
// (which gives back the disk blocks and the page cache) and left in place
// until the end. On ext4 without a journal, inodes freed in the last minutes
// are passed over one by one when new files are made, so deleting 10,000
// files before a run would slow the next run's file creation several times
// over, and more so the more recent the deletion.
//
//   bench_extract [--rounds N] [--mib N] [--files N] [--pause-ms N] [--cli PATH] [--keep]
//
// Everything is made under /tmp and deleted at the end (unless --keep).

#include "GcfBuilder.h"

#include <fcntl.h>
#include <malloc.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <map>
#include <random>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace
{

struct SOptions
{
    int iRounds = 9;
    uint64_t uiMiB = 1024;
    uint32_t uiFiles = 10000;
    int iPauseMs = 1000;
    std::string sCli;
    bool bKeep = false;
};

struct SRun
{
    double fSeconds = 0;
    int iStatus = -1;
    // Sampled from /proc when asked for. (getrusage's peak would count the
    // memory of this process, which the child holds until its exec.)
    long iPeakRssKiB = 0;
    long iPeakAnonKiB = 0;
    long iPeakFileKiB = 0;
};

[[noreturn]] void Fail(const std::string &sWhat)
{
    std::fprintf(stderr, "bench_extract: %s\n", sWhat.c_str());
    std::exit(1);
}

std::string ProcessName(pid_t iPid)
{
    std::ifstream Comm("/proc/" + std::to_string(iPid) + "/comm");
    std::string sName;
    std::getline(Comm, sName);
    return sName;
}

long StatusField(pid_t iPid, const char *szField)
{
    std::ifstream Status("/proc/" + std::to_string(iPid) + "/status");
    std::string sLine;
    const size_t uiLength = std::strlen(szField);
    while (std::getline(Status, sLine))
        if (sLine.compare(0, uiLength, szField) == 0 && sLine.size() > uiLength && sLine[uiLength] == ':')
            return std::atol(sLine.c_str() + uiLength + 1);
    return 0;
}

// Runs the command with stdout and stderr sent to /dev/null. With bSample the
// child's resident memory is read from /proc every few milliseconds (that
// costs some CPU, so timed runs do not sample).
SRun RunCommand(const std::vector<std::string> &Arguments, bool bSample = false)
{
    std::fflush(stdout);
    std::vector<char *> Argv;
    for (const std::string &sArgument : Arguments)
        Argv.push_back(const_cast<char *>(sArgument.c_str()));
    Argv.push_back(nullptr);

    const auto Start = std::chrono::steady_clock::now();
    const pid_t iChild = ::fork();
    if (iChild < 0)
        Fail("fork failed");
    if (iChild == 0)
    {
        const int iNull = ::open("/dev/null", O_WRONLY);
        ::dup2(iNull, STDOUT_FILENO);
        ::dup2(iNull, STDERR_FILENO);
        ::execvp(Argv[0], Argv.data());
        ::_exit(127);
    }
    SRun Run;
    int iStatus = 0;
    for (;;)
    {
        const pid_t iDone = ::waitpid(iChild, &iStatus, bSample ? WNOHANG : 0);
        if (iDone == iChild)
            break;
        if (iDone < 0 && errno != EINTR)
            Fail("waitpid failed");
        // Until the child has replaced itself with the program, /proc shows
        // this process's memory.
        if (bSample && ProcessName(iChild) == fs::path(Arguments[0]).filename().string().substr(0, 15))
        {
            Run.iPeakRssKiB = std::max(Run.iPeakRssKiB, StatusField(iChild, "VmHWM"));
            Run.iPeakAnonKiB = std::max(Run.iPeakAnonKiB, StatusField(iChild, "RssAnon"));
            Run.iPeakFileKiB = std::max(Run.iPeakFileKiB, StatusField(iChild, "RssFile"));
        }
        if (bSample)
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
    }
    Run.fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    Run.iStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
    return Run;
}

void RunOrFail(const std::vector<std::string> &Arguments)
{
    const SRun Run = RunCommand(Arguments);
    if (Run.iStatus != 0)
    {
        std::string sCommand;
        for (const std::string &sArgument : Arguments)
            sCommand += sArgument + " ";
        Fail("failed (" + std::to_string(Run.iStatus) + "): " + sCommand);
    }
}

void RemoveTree(const std::string &sPath)
{
    std::error_code Error;
    fs::remove_all(sPath, Error);
}

// Empties every file below sPath, keeping the files themselves (see above).
void EmptyTree(const std::string &sPath)
{
    for (const auto &Entry : fs::recursive_directory_iterator(sPath))
        if (Entry.is_regular_file())
            ::truncate(Entry.path().c_str(), 0);
}

bool SameFile(const fs::path &First, const fs::path &Second)
{
    std::ifstream A(First, std::ios::binary), B(Second, std::ios::binary);
    std::vector<char> BufferA(1 << 20), BufferB(1 << 20);
    for (;;)
    {
        A.read(BufferA.data(), static_cast<std::streamsize>(BufferA.size()));
        B.read(BufferB.data(), static_cast<std::streamsize>(BufferB.size()));
        if (A.gcount() != B.gcount() || std::memcmp(BufferA.data(), BufferB.data(), static_cast<size_t>(A.gcount())) != 0)
            return false;
        if (A.gcount() == 0)
            return true;
    }
}

// Every file of sReference must be in sOther with the same bytes, and the
// two trees must hold the same number of files.
void ExpectSameTree(const std::string &sReference, const std::string &sOther)
{
    size_t uiReferenceFiles = 0, uiOtherFiles = 0;
    for (const auto &Entry : fs::recursive_directory_iterator(sReference))
    {
        if (!Entry.is_regular_file())
            continue;
        ++uiReferenceFiles;
        const fs::path Other = fs::path(sOther) / fs::relative(Entry.path(), sReference);
        if (!SameFile(Entry.path(), Other))
            Fail("the extractions differ at " + Other.string());
    }
    for (const auto &Entry : fs::recursive_directory_iterator(sOther))
        uiOtherFiles += Entry.is_regular_file();
    if (uiReferenceFiles != uiOtherFiles)
        Fail("the extractions hold different numbers of files");
}

// One file holding every file's bytes, for the cp baseline.
uint64_t Concatenate(const std::string &sFolder, const std::string &sTarget)
{
    std::vector<fs::path> Files;
    for (const auto &Entry : fs::recursive_directory_iterator(sFolder))
        if (Entry.is_regular_file())
            Files.push_back(Entry.path());
    std::sort(Files.begin(), Files.end());
    std::ofstream Out(sTarget, std::ios::binary);
    uint64_t uiBytes = 0;
    for (const fs::path &File : Files)
    {
        std::ifstream In(File, std::ios::binary);
        Out << In.rdbuf();
        uiBytes += fs::file_size(File);
    }
    return uiBytes;
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const size_t uiMiddle = Values.size() / 2;
    return Values.size() % 2 ? Values[uiMiddle] : (Values[uiMiddle - 1] + Values[uiMiddle]) / 2;
}

std::string DefaultCli()
{
    // The bench lives in <build>/bench/, the tool in <build>/.
    std::error_code Error;
    const fs::path Self = fs::read_symlink("/proc/self/exe", Error);
    return Error ? std::string("larkspur-cli") : (Self.parent_path().parent_path() / "larkspur-cli").string();
}

SOptions ParseOptions(int argc, char **argv)
{
    SOptions Options;
    Options.sCli = DefaultCli();
    for (int i = 1; i < argc; ++i)
    {
        const std::string sOption = argv[i];
        const bool bHasValue = i + 1 < argc;
        if (sOption == "--rounds" && bHasValue)
            Options.iRounds = std::max(1, std::atoi(argv[++i]));
        else if (sOption == "--mib" && bHasValue)
            Options.uiMiB = std::max<uint64_t>(1, std::strtoull(argv[++i], nullptr, 10));
        else if (sOption == "--files" && bHasValue)
            Options.uiFiles = std::max<uint32_t>(1, static_cast<uint32_t>(std::atoi(argv[++i])));
        else if (sOption == "--pause-ms" && bHasValue)
            Options.iPauseMs = std::max(0, std::atoi(argv[++i]));
        else if (sOption == "--cli" && bHasValue)
            Options.sCli = argv[++i];
        else if (sOption == "--keep")
            Options.bKeep = true;
        else
            Fail("usage: bench_extract [--rounds N] [--mib N] [--files N] [--pause-ms N] [--cli PATH] [--keep]");
    }
    return Options;
}

void BuildArchive(const GcfBuilder::SItem &Tree, bool bScatter, const std::string &sPath)
{
    GcfBuilder::SOptions Options;
    Options.bScatter = bScatter;
    if (!GcfBuilder::BuildToFile(Tree, Options, sPath))
        Fail("could not build " + sPath);
}

struct SCandidate
{
    std::string sName;
    std::vector<std::string> Arguments;  // "{OUT}" stands for the output folder
};

}  // namespace

int main(int argc, char **argv)
{
    const SOptions Options = ParseOptions(argc, argv);
    if (::access(Options.sCli.c_str(), X_OK) != 0)
        Fail("larkspur-cli not found at " + Options.sCli + " (build it, or pass --cli PATH)");
    for (const char *szTool : {"tar", "zip", "unzip", "cp"})
        if (std::system((std::string("command -v ") + szTool + " >/dev/null").c_str()) != 0)
            Fail(std::string(szTool) + " is missing (apt-get install zip unzip)");

    std::string sWork = "/tmp/larkspur-bench-XXXXXX";
    if (::mkdtemp(sWork.data()) == nullptr)
        Fail("mkdtemp failed");
    std::printf("Work folder: %s\n", sWork.c_str());

    // The archives: the same tree with chains in order and scattered, and a
    // small one for the memory comparison.
    {
        const GcfBuilder::SItem Tree = GcfBuilder::BulkTree(Options.uiMiB << 20, Options.uiFiles, 1);
        BuildArchive(Tree, false, sWork + "/inorder.gcf");
        BuildArchive(Tree, true, sWork + "/scattered.gcf");
        BuildArchive(GcfBuilder::BulkTree(8 << 20, 100, 2), false, sWork + "/small.gcf");
    }
    ::malloc_trim(0);  // the tree is gone: every fork below copies less
    std::printf("Archives: %.1f MiB each, %u files\n",
                static_cast<double>(fs::file_size(sWork + "/inorder.gcf")) / (1 << 20), Options.uiFiles);

    // A reference extraction, checked against the scattered one, gives the
    // tar, the zip and the one-file baseline.
    const std::string sReference = sWork + "/reference", sCheck = sWork + "/check";
    fs::create_directory(sReference);
    fs::create_directory(sCheck);
    RunOrFail({Options.sCli, "extract", sWork + "/inorder.gcf", "-o", sReference});
    RunOrFail({Options.sCli, "extract", sWork + "/scattered.gcf", "-o", sCheck});
    ExpectSameTree(sReference, sCheck);
    EmptyTree(sCheck);
    RunOrFail({"tar", "-cf", sWork + "/tree.tar", "-C", sReference, "root"});
    RunOrFail({"sh", "-c", "cd '" + sReference + "' && zip -0 -r -q '" + sWork + "/tree.zip' root"});
    const uint64_t uiBytes = Concatenate(sReference, sWork + "/all.bin");
    std::printf("Data: %.1f MiB; tar %.1f MiB, zip %.1f MiB\n\n", static_cast<double>(uiBytes) / (1 << 20),
                static_cast<double>(fs::file_size(sWork + "/tree.tar")) / (1 << 20),
                static_cast<double>(fs::file_size(sWork + "/tree.zip")) / (1 << 20));

    const std::vector<SCandidate> Candidates = {
        {"larkspur in order", {Options.sCli, "extract", sWork + "/inorder.gcf", "-o", "{OUT}"}},
        {"larkspur scattered", {Options.sCli, "extract", sWork + "/scattered.gcf", "-o", "{OUT}"}},
        {"tar -xf", {"tar", "-xf", sWork + "/tree.tar", "-C", "{OUT}"}},
        {"unzip -q", {"unzip", "-q", sWork + "/tree.zip", "-d", "{OUT}"}},
        {"cp (one file)", {"cp", sWork + "/all.bin", "{OUT}/all.bin"}},
        // Not a target: what making the 10,000 files alone costs here.
        {"cp -r (the tree)", {"cp", "-r", sReference + "/root", "{OUT}/root"}},
    };
    std::map<std::string, std::vector<double>> Times;
    std::mt19937 Random(std::random_device{}());
    const std::string sOut = sWork + "/out";
    int iRun = 0;
    for (int iRound = 0; iRound < Options.iRounds; ++iRound)
    {
        std::vector<size_t> Order(Candidates.size());
        for (size_t i = 0; i < Order.size(); ++i)
            Order[i] = i;
        std::shuffle(Order.begin(), Order.end(), Random);
        std::printf("Round %d:", iRound + 1);
        for (const size_t uiCandidate : Order)
        {
            // Each run starts on a new empty folder, with the previous run's
            // files emptied, everything on disk, and a pause.
            const std::string sRunOut = sOut + "/" + std::to_string(++iRun);
            fs::create_directories(sRunOut);
            ::sync();
            std::this_thread::sleep_for(std::chrono::milliseconds(Options.iPauseMs));
            std::vector<std::string> Arguments = Candidates[uiCandidate].Arguments;
            for (std::string &sArgument : Arguments)
                if (const size_t uiAt = sArgument.find("{OUT}"); uiAt != std::string::npos)
                    sArgument.replace(uiAt, 5, sRunOut);
            const SRun Run = RunCommand(Arguments);
            if (Run.iStatus != 0)
                Fail(Candidates[uiCandidate].sName + " failed with status " + std::to_string(Run.iStatus));
            Times[Candidates[uiCandidate].sName].push_back(Run.fSeconds);
            std::printf("  %s %.3f s", Candidates[uiCandidate].sName.c_str(), Run.fSeconds);
            std::fflush(stdout);
            EmptyTree(sRunOut);
        }
        std::printf("\n");
    }

    std::printf("\n%-20s %10s %10s\n", "", "median", "minimum");
    for (const SCandidate &Candidate : Candidates)
    {
        const std::vector<double> &Values = Times[Candidate.sName];
        std::printf("%-20s %9.3fs %9.3fs   (%.0f MiB/s at the median)\n", Candidate.sName.c_str(), Median(Values),
                    *std::min_element(Values.begin(), Values.end()),
                    static_cast<double>(uiBytes) / (1 << 20) / Median(Values));
    }
    auto Ratio = [&](const char *szWhat, const char *szBase, double fTarget) {
        const std::vector<double> &What = Times[szWhat], &Base = Times[szBase];
        const double fMedian = Median(What) / Median(Base);
        const double fMinimum = *std::min_element(What.begin(), What.end()) / *std::min_element(Base.begin(), Base.end());
        std::printf("%-20s / %-16s median %.2fx  minimum %.2fx", szWhat, szBase, fMedian, fMinimum);
        if (fTarget > 0)
            std::printf("   target below %.2fx: %s", fTarget, fMedian < fTarget ? "met" : "missed");
        std::printf("\n");
    };
    std::printf("\nTime ratios (lower is faster):\n");
    Ratio("larkspur in order", "tar -xf", 1.0);
    Ratio("larkspur in order", "unzip -q", 1.0);
    Ratio("larkspur scattered", "tar -xf", 1.0);
    Ratio("larkspur scattered", "unzip -q", 1.0);
    Ratio("larkspur in order", "cp (one file)", 1.1);
    Ratio("larkspur scattered", "cp (one file)", 1.6);
    Ratio("larkspur in order", "cp -r (the tree)", 0);
    Ratio("larkspur scattered", "cp -r (the tree)", 0);

    // Memory: the archive is mapped, and the pages the kernel copies from
    // count in RSS as file pages; what the program itself holds is RssAnon.
    std::printf("\nPeak memory of larkspur-cli extract (VmHWM, RssAnon and RssFile, sampled from /proc):\n");
    for (const char *szArchive : {"small.gcf", "inorder.gcf", "scattered.gcf"})
    {
        const std::string sRunOut = sOut + "/" + std::to_string(++iRun);
        fs::create_directories(sRunOut);
        ::sync();
        const SRun Run = RunCommand({Options.sCli, "extract", sWork + "/" + szArchive, "-o", sRunOut}, true);
        EmptyTree(sRunOut);
        std::printf("  %-14s %8.1f MiB archive: peak RSS %7.1f MiB, RssAnon %6.1f MiB, RssFile %7.1f MiB\n", szArchive,
                    static_cast<double>(fs::file_size(sWork + "/" + szArchive)) / (1 << 20), Run.iPeakRssKiB / 1024.0,
                    Run.iPeakAnonKiB / 1024.0, Run.iPeakFileKiB / 1024.0);
    }

    if (Options.bKeep)
        std::printf("\nKept %s\n", sWork.c_str());
    else
        RemoveTree(sWork);
    return 0;
}
