// SPDX-License-Identifier: MIT
// bench_hostile: the crafted archives that make a command's work grow with
// something other than the archive (nesting, shared names, shared chains,
// borrowed block entries, unsafe names under long paths), each built by the
// project's builder at a size and at twice that size and run through
// larkspur-cli. For each run: the archive's bytes, the command's peak
// resident memory, the bytes it printed (stdout and stderr), the bytes it
// wrote (files below its output folder) and its seconds. At twice the size
// every figure should be at most 2.5 times its value: the work is bounded
// by the archive, whatever its shape. Figures too small to measure (below
// the floors in Bounded) pass as they are.
//
//   bench_hostile [--scale N] [--cli PATH] [--keep]
//
// --scale multiplies every base size (default 1). The mount rows need FUSE
// and are left out where mounting is refused.

#include "BenchRounds.h"
#include "GcfBuilder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/resource.h>
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
#include <functional>
#include <string>
#include <thread>
#include <vector>

using namespace BenchRounds;
using GcfBuilder::SArchive;

namespace
{

struct SFigures
{
    uint64_t uiArchiveBytes = 0;
    long iPeakRssKiB = 0;
    uint64_t uiPrinted = 0;
    uint64_t uiWritten = 0;
    double fSeconds = 0;
    int iStatus = -1;
};

uint64_t FileSize(const std::string &sPath)
{
    struct stat Stat;
    return ::stat(sPath.c_str(), &Stat) == 0 ? uint64_t(Stat.st_size) : 0;
}

// Adds up the files below the folder open as iFolder and removes
// everything in it, by descriptors: the trees here are far deeper than a
// path may be long.
uint64_t SumAndRemove(int iFolder)
{
    uint64_t uiBytes = 0;
    DIR *lpListing = ::fdopendir(iFolder);
    if (lpListing == nullptr)
    {
        ::close(iFolder);
        return 0;
    }
    std::vector<std::string> Folders;
    while (const dirent *lpItem = ::readdir(lpListing))
    {
        const std::string sName = lpItem->d_name;
        if (sName == "." || sName == "..")
            continue;
        struct stat Stat;
        if (::fstatat(iFolder, sName.c_str(), &Stat, AT_SYMLINK_NOFOLLOW) != 0)
            continue;
        if (S_ISDIR(Stat.st_mode))
            Folders.push_back(sName);
        else
        {
            uiBytes += uint64_t(Stat.st_size);
            ::unlinkat(iFolder, sName.c_str(), 0);
        }
    }
    for (const std::string &sName : Folders)
    {
        const int iChild = ::openat(iFolder, sName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (iChild >= 0)
            uiBytes += SumAndRemove(iChild);
        ::unlinkat(iFolder, sName.c_str(), AT_REMOVEDIR);
    }
    ::closedir(lpListing);
    return uiBytes;
}

uint64_t SumAndRemoveTree(const std::string &sPath)
{
    const int iFolder = ::open(sPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (iFolder < 0)
        return 0;
    const uint64_t uiBytes = SumAndRemove(iFolder);
    ::rmdir(sPath.c_str());
    return uiBytes;
}

// Starts a command with stdout and stderr in files.
pid_t Spawn(const std::vector<std::string> &Arguments, const std::string &sOutput)
{
    std::vector<char *> Argv;
    for (const std::string &sArgument : Arguments)
        Argv.push_back(const_cast<char *>(sArgument.c_str()));
    Argv.push_back(nullptr);
    const std::string sOut = sOutput + ".out", sErr = sOutput + ".err";
    std::fflush(nullptr);
    const pid_t iChild = ::fork();
    if (iChild == 0)
    {
        const int iIn = ::open("/dev/null", O_RDONLY);
        const int iOut = ::open(sOut.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int iErr = ::open(sErr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(iIn, STDIN_FILENO);
        ::dup2(iOut, STDOUT_FILENO);
        ::dup2(iErr, STDERR_FILENO);
        ::execv(Argv[0], Argv.data());
        ::_exit(127);
    }
    if (iChild < 0)
        Fail("cannot start " + Arguments[0]);
    return iChild;
}

long PeakKiB(pid_t iPid)
{
    std::ifstream Status("/proc/" + std::to_string(iPid) + "/status");
    std::string sLine;
    while (std::getline(Status, sLine))
        if (sLine.rfind("VmHWM:", 0) == 0)
            return std::atol(sLine.c_str() + 6);
    return 0;
}

// Waits for the command, reading its peak resident memory (its own, from
// its exec on) every millisecond while it runs.
void Finish(pid_t iChild, SFigures &Figures, const std::string &sOutput)
{
    int iStatus = 0;
    long iPeak = 0;
    while (::waitpid(iChild, &iStatus, WNOHANG) == 0)
    {
        iPeak = std::max(iPeak, PeakKiB(iChild));
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    Figures.iStatus = WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : 128 + WTERMSIG(iStatus);
    Figures.iPeakRssKiB = iPeak;
    Figures.uiPrinted = FileSize(sOutput + ".out") + FileSize(sOutput + ".err");
}

SFigures RunTool(const std::vector<std::string> &Arguments, const std::string &sWork, const std::string &sOut)
{
    SFigures Figures;
    const auto Start = std::chrono::steady_clock::now();
    Finish(Spawn(Arguments, sWork + "/run"), Figures, sWork + "/run");
    Figures.fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    Figures.uiWritten = SumAndRemoveTree(sOut);
    return Figures;
}

bool IsMounted(const std::string &sMountPoint)
{
    std::ifstream Mounts("/proc/mounts");
    std::string sLine;
    while (std::getline(Mounts, sLine))
        if (sLine.find(" " + sMountPoint + " ") != std::string::npos)
            return true;
    return false;
}

// Mounts in the foreground, reads every file the mount shows, unmounts.
SFigures RunMount(const std::string &sCli, const std::string &sArchive, const std::string &sWork)
{
    SFigures Figures;
    const std::string sMountPoint = sWork + "/mnt";
    std::filesystem::create_directories(sMountPoint);
    const auto Start = std::chrono::steady_clock::now();
    const pid_t iServer = Spawn({sCli, "mount", "-f", sArchive, sMountPoint}, sWork + "/run");
    bool bMounted = false;
    for (int i = 0; i < 2000 && !bMounted; ++i)
    {
        int iStatus = 0;
        if (::waitpid(iServer, &iStatus, WNOHANG) == iServer)
        {
            Figures.iStatus = -2;  // ended without mounting
            Figures.uiPrinted = FileSize(sWork + "/run.err");
            return Figures;
        }
        bMounted = IsMounted(sMountPoint);
        if (!bMounted)
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    std::error_code Error;
    std::vector<char> Buffer(1 << 20);
    for (auto It = std::filesystem::recursive_directory_iterator(sMountPoint, Error);
         !Error && It != std::filesystem::recursive_directory_iterator(); It.increment(Error))
    {
        if (!It->is_regular_file())
            continue;
        const int iFile = ::open(It->path().c_str(), O_RDONLY | O_CLOEXEC);
        while (iFile >= 0 && ::read(iFile, Buffer.data(), Buffer.size()) > 0)
        {
        }
        if (iFile >= 0)
            ::close(iFile);
    }
    const long iPeakServing = PeakKiB(iServer);
    if (std::system(("fusermount3 -u '" + sMountPoint + "'").c_str()) != 0)
        std::fprintf(stderr, "bench_hostile: fusermount3 -u %s failed\n", sMountPoint.c_str());
    Finish(iServer, Figures, sWork + "/run");
    Figures.iPeakRssKiB = std::max(Figures.iPeakRssKiB, iPeakServing);
    Figures.fSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - Start).count();
    return Figures;
}

struct SShape
{
    std::string sName;
    uint32_t uiBase;
    std::function<SArchive(uint32_t)> Make;
    // The command's arguments after the tool ("{A}" the archive, "{OUT}" the output folder); empty for a mount.
    std::vector<std::string> Command;
};

bool Bounded(double fSmall, double fLarge, double fFloor)
{
    return fLarge <= fFloor || fLarge <= 2.5 * fSmall;
}

void PrintRow(const std::string &sShape, uint32_t uiSize, const SFigures &F)
{
    std::printf("%-44s %7u %11llu %9ld %13llu %11llu %8.3f %4d\n", sShape.c_str(), uiSize,
                (unsigned long long)F.uiArchiveBytes, F.iPeakRssKiB, (unsigned long long)F.uiPrinted,
                (unsigned long long)F.uiWritten, F.fSeconds, F.iStatus);
}

}  // namespace

int main(int argc, char **argv)
{
    SCommonOptions Options;
    uint32_t uiScale = 1;
    for (int i = 1; i < argc; ++i)
    {
        if (TakeCommonOption(argc, argv, i, Options))
            continue;
        if (std::strcmp(argv[i], "--scale") == 0 && i + 1 < argc)
            uiScale = uint32_t(std::max(1, std::atoi(argv[++i])));
        else
            Fail(std::string("unknown option ") + argv[i]);
    }
    // The output trees are deep; nothing here keeps many descriptors, but
    // the walk above does keep one per level.
    struct rlimit Files;
    if (::getrlimit(RLIMIT_NOFILE, &Files) == 0 && Files.rlim_cur < Files.rlim_max)
    {
        Files.rlim_cur = Files.rlim_max;
        ::setrlimit(RLIMIT_NOFILE, &Files);
    }

    const auto Borrowed = [](uint32_t uiFiles) {
        SArchive Archive = GcfBuilder::SharedChain(uiFiles, 64 << 10, 8192);
        for (uint32_t i = 2; i <= uiFiles; ++i)
            GcfBuilder::SetDirectoryMap(Archive, i, Archive.Layout.FirstEntry[1]);
        return Archive;
    };
    const std::vector<SShape> Shapes = {
        {"extract: nested folders, 255-byte names", 1500,
         [](uint32_t n) { return GcfBuilder::NestedFolders(n, 255, false); }, {"extract", "{A}", "-o", "{OUT}"}},
        {"find: nested folders sharing a 4,095-byte name", 20000,
         [](uint32_t n) { return GcfBuilder::NestedFolders(n, 4095, true); }, {"find", "{A}", "a"}},
        {"hash: nested folders sharing a 4,095-byte name", 20000,
         [](uint32_t n) { return GcfBuilder::NestedFolders(n, 4095, true); }, {"hash", "{A}"}},
        {"list: nested folders sharing a 4,095-byte name", 20000,
         [](uint32_t n) { return GcfBuilder::NestedFolders(n, 4095, true); }, {"list", "{A}"}},
        {"extract: files sharing one 1 MiB chain", 1000,
         [](uint32_t n) { return GcfBuilder::SharedChain(n, 1 << 20, 8192); }, {"extract", "{A}", "-o", "{OUT}"}},
        {"hash: files sharing one 1 MiB chain", 1000,
         [](uint32_t n) { return GcfBuilder::SharedChain(n, 1 << 20, 8192); }, {"hash", "{A}"}},
        {"extract: files borrowing one block entry", 1000, Borrowed, {"extract", "{A}", "-o", "{OUT}"}},
        {"mount: unsafe names under a long path", 2000,
         [](uint32_t n) {
             GcfBuilder::SOptions Small;
             Small.uiBlockSize = Small.uiDataBlockSize = 512;
             return GcfBuilder::Build(GcfBuilder::UnsafeNamesDeep(n, 40), Small);
         },
         {}},
        {"mount: files sharing a chain of 1-byte blocks", 50,
         [](uint32_t n) { return GcfBuilder::SharedChain(n, 256 << 10, 1); }, {}},
    };

    // In memory where it can be: on ext4, folders made just after many were
    // removed are slow to make, which would time the disk, not the tool.
    const std::string sWork = (::access("/dev/shm", W_OK) == 0 ? std::filesystem::path("/dev/shm")
                                                                : std::filesystem::temp_directory_path()) /
                              ("bench-hostile-" + std::to_string(::getpid()));
    std::filesystem::create_directories(sWork);
    std::printf("%-44s %7s %11s %9s %13s %11s %8s %4s\n", "shape", "size", "archive B", "peak KiB", "printed B",
                "written B", "seconds", "exit");
    bool bAllBounded = true;
    for (const SShape &Shape : Shapes)
    {
        SFigures Figures[2];
        for (int iRun = 0; iRun < 2; ++iRun)
        {
            const uint32_t uiSize = Shape.uiBase * uiScale * (iRun + 1);
            const std::string sArchive = sWork + "/shape.gcf";
            // Built in a child of its own: a command started from this
            // process counts this process's memory in its peak (the kernel
            // keeps the larger of the two at exec), so this one stays small.
            std::fflush(nullptr);
            const pid_t iBuilder = ::fork();
            if (iBuilder == 0)
                ::_exit(GcfBuilder::WriteFile(sArchive, Shape.Make(uiSize).Bytes) ? 0 : 1);
            int iBuilt = -1;
            if (iBuilder < 0 || ::waitpid(iBuilder, &iBuilt, 0) != iBuilder || !WIFEXITED(iBuilt) ||
                WEXITSTATUS(iBuilt) != 0)
                Fail("cannot write " + sArchive);
            // Three runs; the one of the median time is shown.
            std::vector<SFigures> Runs;
            for (int iRound = 0; iRound < 3; ++iRound)
            {
                if (Shape.Command.empty())
                {
                    Runs.push_back(RunMount(Options.sCli, sArchive, sWork));
                    continue;
                }
                std::vector<std::string> Arguments{Options.sCli};
                for (const std::string &sWord : Shape.Command)
                    Arguments.push_back(sWord == "{A}" ? sArchive : sWord == "{OUT}" ? sWork + "/out" : sWord);
                Runs.push_back(RunTool(Arguments, sWork, sWork + "/out"));
            }
            std::sort(Runs.begin(), Runs.end(),
                      [](const SFigures &A, const SFigures &B) { return A.fSeconds < B.fSeconds; });
            SFigures &F = Figures[iRun];
            F = Runs[1];
            F.uiArchiveBytes = FileSize(sArchive);
            PrintRow(Shape.sName, uiSize, F);
        }
        if (Figures[0].iStatus == -2)
        {
            std::printf("%-44s mounting is refused here: only the report before the mount is measured\n", "");
        }
        const bool bBounded = Bounded(Figures[0].uiArchiveBytes, Figures[1].uiArchiveBytes, 0) &&
                              Bounded(Figures[0].iPeakRssKiB, Figures[1].iPeakRssKiB, 0) &&
                              Bounded(Figures[0].uiPrinted, Figures[1].uiPrinted, 64 << 10) &&
                              Bounded(Figures[0].uiWritten, Figures[1].uiWritten, 64 << 10) &&
                              Bounded(Figures[0].fSeconds, Figures[1].fSeconds, 0.05);
        std::printf("%-44s x2: archive %.2f, peak %.2f, printed %.2f, written %.2f, seconds %.2f: %s\n", "",
                    double(Figures[1].uiArchiveBytes) / double(std::max<uint64_t>(1, Figures[0].uiArchiveBytes)),
                    double(Figures[1].iPeakRssKiB) / double(std::max<long>(1, Figures[0].iPeakRssKiB)),
                    double(Figures[1].uiPrinted) / double(std::max<uint64_t>(1, Figures[0].uiPrinted)),
                    double(Figures[1].uiWritten) / double(std::max<uint64_t>(1, Figures[0].uiWritten)),
                    Figures[1].fSeconds / std::max(1e-6, Figures[0].fSeconds), bBounded ? "bounded" : "NOT BOUNDED");
        bAllBounded = bAllBounded && bBounded;
    }
    if (!Options.bKeep)
        std::filesystem::remove_all(sWork);
    std::printf("%s\n", bAllBounded ? "Every shape is bounded by its archive." : "Some shape is not bounded.");
    return bAllBounded ? 0 : 1;
}
