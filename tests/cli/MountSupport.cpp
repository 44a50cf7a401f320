// SPDX-License-Identifier: MIT
#include "MountSupport.h"

#include "cli/MountCommand.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <thread>

using namespace TestSupport;
using GcfBuilder::SArchive;
using GcfBuilder::SItem;

namespace MountSupport
{

bool WaitFor(const std::function<bool()> &Condition, int iSeconds)
{
    const auto Deadline = std::chrono::steady_clock::now() + std::chrono::seconds(iSeconds);
    while (!Condition())
    {
        if (std::chrono::steady_clock::now() > Deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

bool IsMounted(const std::string &sMountPoint)
{
    std::ifstream MountInfo("/proc/self/mountinfo");
    std::string sLine;
    while (std::getline(MountInfo, sLine))
        if (sLine.find(" " + sMountPoint + " ") != std::string::npos)
            return true;
    return false;
}

// A file of /proc/PID, or "" when the process ended meanwhile (reading its
// files then fails with ESRCH, which the stream reports by throwing).
std::string ReadProcessFile(const std::string &sPath)
{
    try
    {
        return ReadFile(sPath);
    }
    catch (const std::ios_base::failure &)
    {
        return std::string();
    }
}

// The live processes (not zombies) whose command line names sMountPoint:
// the mount's server and fusermount3's unmount helper.
std::vector<pid_t> ProcessesOf(const std::string &sMountPoint)
{
    std::vector<pid_t> Found;
    DIR *lpProc = ::opendir("/proc");
    while (const dirent *lpEntry = lpProc != nullptr ? ::readdir(lpProc) : nullptr)
    {
        const pid_t iPid = std::atoi(lpEntry->d_name);
        if (iPid <= 0 || iPid == ::getpid())
            continue;
        const std::string sFolder = std::string("/proc/") + lpEntry->d_name;
        const std::string sStat = ReadProcessFile(sFolder + "/stat");
        const size_t uiState = sStat.rfind(')');
        if (uiState == std::string::npos || sStat.compare(uiState, 3, ") Z") == 0)
            continue;
        const std::string sCommandLine = ReadProcessFile(sFolder + "/cmdline");
        if (sCommandLine.find(sMountPoint) != std::string::npos)
            Found.push_back(iPid);
    }
    if (lpProc != nullptr)
        ::closedir(lpProc);
    return Found;
}

int RunTool(const std::string &sCommand)
{
    const int iStatus = std::system(sCommand.c_str());
    return WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
}

// Why no archive can be mounted here ("" when one can): a build without
// FUSE, no usable /dev/fuse or fusermount3, or a mount that the system
// refuses (a container without the right to mount). Tried once.
std::string WhyMountingFails()
{
    static const std::string sWhy = []() -> std::string
    {
        if (!Larkspur::MountingAvailable())
            return "this build has no FUSE 3";
        const int iDevice = ::open("/dev/fuse", O_RDWR | O_CLOEXEC);
        if (iDevice < 0)
            return std::string("/dev/fuse is not usable (") + std::strerror(errno) + ")";
        ::close(iDevice);
        if (RunTool("command -v fusermount3 >/dev/null 2>&1") != 0)
            return "fusermount3 is missing (apt-get install fuse3)";
        CTempDir Temp;
        ::mkdir((Temp / "mnt").c_str(), 0755);
        if (!GcfBuilder::WriteFile(Temp / "probe.gcf", GcfBuilder::Build(SItem::Folder("root")).Bytes))
            return "no archive could be written";
        const bool bMounted = RunTool(std::string(LARKSPUR_CLI_PATH) + " mount '" + (Temp / "probe.gcf") + "' '" +
                                      (Temp / "mnt") + "' </dev/null >/dev/null 2>'" + (Temp / "stderr") + "'") == 0;
        if (!bMounted)
            return "larkspur-cli mount failed: " + ReadFile(Temp / "stderr");
        RunTool("fusermount3 -u '" + (Temp / "mnt") + "'");
        return "";
    }();
    return sWhy;
}

namespace
{

void Collect(const SItem &Item, const std::string &sPath, SExpected &Expected)
{
    Expected.Paths.push_back(sPath);
    if (!Item.bFolder)
        Expected.Files[sPath] = Item.sData;
    for (const SItem &Child : Item.Children)
        Collect(Child, sPath + "/" + Child.sName, Expected);
}

}  // namespace

SExpected Expect(const SItem &Root)
{
    SExpected Expected;
    Collect(Root, "root", Expected);
    std::sort(Expected.Paths.begin(), Expected.Paths.end());
    return Expected;
}

// The archive built into sPath; its layout.
GcfBuilder::SLayout WriteArchive(const std::string &sPath, const SItem &Tree, const GcfBuilder::SOptions &Options,
                                 const std::function<void(SArchive &)> &Damage)
{
    SArchive Archive = GcfBuilder::Build(Tree, Options);
    if (Damage)
        Damage(Archive);
    EXPECT_TRUE(GcfBuilder::WriteFile(sPath, Archive.Bytes));
    return Archive.Layout;
}

// Reads a whole file; the errno of a failed read, 0 when it read to its end.
int ReadAll(const std::string &sPath, std::string &sData)
{
    sData.clear();
    const int iFile = ::open(sPath.c_str(), O_RDONLY);
    if (iFile < 0)
        return errno;
    char cBuffer[65536];
    int iError = 0;
    for (;;)
    {
        const ssize_t iRead = ::read(iFile, cBuffer, sizeof cBuffer);
        if (iRead <= 0)
        {
            iError = iRead < 0 ? errno : 0;
            break;
        }
        sData.append(cBuffer, static_cast<size_t>(iRead));
    }
    ::close(iFile);
    return iError;
}

// Whether every page of a mounted file is in the kernel's cache, asked
// without reading it.
bool IsCached(const std::string &sPath, size_t uiSize)
{
    const int iFile = ::open(sPath.c_str(), O_RDONLY);
    void *lpMapped = iFile >= 0 ? ::mmap(nullptr, uiSize, PROT_READ, MAP_SHARED, iFile, 0) : MAP_FAILED;
    bool bCached = lpMapped != MAP_FAILED;
    if (bCached)
    {
        std::vector<unsigned char> Pages((uiSize + 4095) / 4096);
        bCached = ::mincore(lpMapped, uiSize, Pages.data()) == 0 &&
                  std::all_of(Pages.begin(), Pages.end(), [](unsigned char cPage) { return (cPage & 1) != 0; });
        ::munmap(lpMapped, uiSize);
    }
    if (iFile >= 0)
        ::close(iFile);
    return bCached;
}

}  // namespace MountSupport
