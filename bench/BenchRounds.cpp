// SPDX-License-Identifier: MIT
#include "BenchRounds.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <random>
#include <thread>

namespace fs = std::filesystem;

namespace BenchRounds
{

namespace
{

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

}  // namespace

void Fail(const std::string &sWhat)
{
    std::fprintf(stderr, "%s: %s\n", program_invocation_short_name, sWhat.c_str());
    std::exit(1);
}

SRun RunCommand(const std::vector<std::string> &Arguments, bool bSample)
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

double RunOrFail(const std::vector<std::string> &Arguments)
{
    const SRun Run = RunCommand(Arguments);
    if (Run.iStatus != 0)
    {
        std::string sCommand;
        for (const std::string &sArgument : Arguments)
            sCommand += sArgument + " ";
        Fail("failed (" + std::to_string(Run.iStatus) + "): " + sCommand);
    }
    return Run.fSeconds;
}

bool CanDropCaches()
{
    return ::geteuid() == 0 && ::access("/proc/sys/vm/drop_caches", W_OK) == 0;
}

void DropCaches()
{
    ::sync();
    std::ofstream Drop("/proc/sys/vm/drop_caches");
    Drop << "3\n";
    Drop.close();
    if (!Drop)
        Fail("cannot write /proc/sys/vm/drop_caches");
}

std::map<std::string, std::vector<double>> RunRounds(const std::vector<SCandidate> &Candidates,
                                                     const SRoundOptions &Options, const std::string &sOut)
{
    static int iRun = 0;
    std::map<std::string, std::vector<double>> Times;
    std::mt19937 Random(std::random_device{}());
    for (int iRound = 0; iRound < Options.iRounds; ++iRound)
    {
        std::vector<size_t> Order(Candidates.size());
        for (size_t i = 0; i < Order.size(); ++i)
            Order[i] = i;
        std::shuffle(Order.begin(), Order.end(), Random);
        std::printf("Round %d%s:", iRound + 1, Options.bCold ? " (cold)" : "");
        for (const size_t uiCandidate : Order)
        {
            const SCandidate &Candidate = Candidates[uiCandidate];
            // Each run starts on a new empty folder, with the previous run's
            // files emptied or deleted, everything on disk, and a pause.
            const std::string sRunOut = sOut + "/" + std::to_string(++iRun);
            fs::create_directories(sRunOut);
            ::sync();
            std::this_thread::sleep_for(std::chrono::milliseconds(Options.iPauseMs));
            if (Options.bCold)
                DropCaches();
            double fSeconds = 0;
            if (Candidate.InProcess)
            {
                fSeconds = Candidate.InProcess(sRunOut);
                if (fSeconds < 0)
                    Fail(Candidate.sName + " failed");
            }
            else
            {
                std::vector<std::string> Arguments = Candidate.Arguments;
                for (std::string &sArgument : Arguments)
                    if (const size_t uiAt = sArgument.find("{OUT}"); uiAt != std::string::npos)
                        sArgument.replace(uiAt, 5, sRunOut);
                const SRun Run = RunCommand(Arguments);
                if (Run.iStatus != 0)
                    Fail(Candidate.sName + " failed with status " + std::to_string(Run.iStatus));
                fSeconds = Run.fSeconds;
            }
            Times[Candidate.sName].push_back(fSeconds);
            std::printf("  %s %.3f s", Candidate.sName.c_str(), fSeconds);
            std::fflush(stdout);
            if (Options.bDelete)
                RemoveTree(sRunOut);
            else
                EmptyTree(sRunOut);
        }
        std::printf("\n");
    }
    return Times;
}

void EmptyTree(const std::string &sPath)
{
    // A file that cannot be emptied only costs the next round a rewrite.
    std::error_code Error;
    for (const auto &Entry : fs::recursive_directory_iterator(sPath))
        if (Entry.is_regular_file())
            fs::resize_file(Entry.path(), 0, Error);
}

void RemoveTree(const std::string &sPath)
{
    std::error_code Error;
    fs::remove_all(sPath, Error);
}

void CFloorTree::Load(const std::string &sFolder)
{
    Entries.clear();
    uiBytes = 0;
    uiFiles = 0;
    // Pre-order: a folder comes before everything in it.
    for (const auto &Entry : fs::recursive_directory_iterator(sFolder))
    {
        SEntry Item;
        Item.sRelative = fs::relative(Entry.path(), sFolder).string();
        Item.bFolder = Entry.is_directory();
        if (!Item.bFolder)
        {
            std::ifstream In(Entry.path(), std::ios::binary);
            Item.sData.assign(std::istreambuf_iterator<char>(In), std::istreambuf_iterator<char>());
            uiBytes += Item.sData.size();
            ++uiFiles;
        }
        Entries.push_back(std::move(Item));
    }
}

bool CFloorTree::Write(const std::string &sTarget) const
{
    for (const SEntry &Entry : Entries)
    {
        const std::string sPath = sTarget + "/" + Entry.sRelative;
        if (Entry.bFolder)
        {
            if (::mkdir(sPath.c_str(), 0777) != 0)
                return false;
            continue;
        }
        const int iFile = ::open(sPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
        if (iFile < 0)
            return false;
        size_t uiDone = 0;
        while (uiDone < Entry.sData.size())
        {
            const ssize_t iWritten = ::write(iFile, Entry.sData.data() + uiDone, Entry.sData.size() - uiDone);
            if (iWritten <= 0)
            {
                ::close(iFile);
                return false;
            }
            uiDone += static_cast<size_t>(iWritten);
        }
        if (::close(iFile) != 0)
            return false;
    }
    return true;
}

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

bool TakeCommonOption(int argc, char **argv, int &i, SCommonOptions &Options)
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
        return false;
    return true;
}

std::string DefaultCli()
{
    // The bench lives in <build>/bench/, the tool in <build>/.
    std::error_code Error;
    const fs::path Self = fs::read_symlink("/proc/self/exe", Error);
    return Error ? std::string("larkspur-cli") : (Self.parent_path().parent_path() / "larkspur-cli").string();
}

double Median(std::vector<double> Values)
{
    std::sort(Values.begin(), Values.end());
    const size_t uiMiddle = Values.size() / 2;
    return Values.size() % 2 ? Values[uiMiddle] : (Values[uiMiddle - 1] + Values[uiMiddle]) / 2;
}

double Minimum(const std::vector<double> &Values)
{
    return *std::min_element(Values.begin(), Values.end());
}

void PrintTimes(const std::map<std::string, std::vector<double>> &Times, const std::vector<std::string> &Names,
                uint64_t uiBytes)
{
    std::printf("\n%-24s %10s %10s\n", "", "median", "minimum");
    for (const std::string &sName : Names)
    {
        const std::vector<double> &Values = Times.at(sName);
        std::printf("%-24s %9.3fs %9.3fs   (%.0f MiB/s at the median)\n", sName.c_str(), Median(Values),
                    Minimum(Values), static_cast<double>(uiBytes) / (1 << 20) / Median(Values));
    }
}

void PrintRatio(const std::map<std::string, std::vector<double>> &Times, const std::string &sWhat,
                const std::string &sBase, double fTarget, bool bMinimumToo)
{
    const std::vector<double> &What = Times.at(sWhat), &Base = Times.at(sBase);
    const double fMedian = Median(What) / Median(Base);
    const double fMinimum = Minimum(What) / Minimum(Base);
    std::printf("%-24s / %-16s median %.2fx  minimum %.2fx", sWhat.c_str(), sBase.c_str(), fMedian, fMinimum);
    if (fTarget > 0)
    {
        const bool bMet = fMedian < fTarget && (!bMinimumToo || fMinimum < fTarget);
        std::printf("   target below %.2fx%s: %s", fTarget, bMinimumToo ? " (both)" : "", bMet ? "met" : "MISSED");
    }
    std::printf("\n");
}

}  // namespace BenchRounds
