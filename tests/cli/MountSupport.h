// SPDX-License-Identifier: MIT
#pragma once
// What the mount tests share: a real larkspur-cli mount in a child process,
// waiting on it, reading through it, and what the builder put in.

#include "GcfBuilder.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <sys/wait.h>
#include <unistd.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

namespace MountSupport
{

// Why no archive can be mounted here ("" when one can): a build without
// FUSE, no usable /dev/fuse or fusermount3, or a mount that the system
// refuses (a container without the right to mount). Tried once.
std::string WhyMountingFails();

#define SKIP_UNLESS_MOUNTABLE()                                                                                        \
    if (const std::string sWhy = MountSupport::WhyMountingFails(); !sWhy.empty())                                      \
    GTEST_SKIP() << "Cannot mount on this machine: " << sWhy

bool WaitFor(const std::function<bool()> &Condition, int iSeconds = 20);
bool IsMounted(const std::string &sMountPoint);
// The live processes (not zombies) whose command line names sMountPoint:
// the mount's server and fusermount3's unmount helper.
std::vector<pid_t> ProcessesOf(const std::string &sMountPoint);
int RunTool(const std::string &sCommand);

// larkspur-cli mount, in the foreground in a child process, its stderr kept
// in a file. Unmounts and waits for the server at the end whatever happened.
class CMount
{
public:
    CMount(const std::string &sArchive, const std::string &sMountPoint, const std::string &sStderr)
        : sMountPoint(sMountPoint)
    {
        ::mkdir(sMountPoint.c_str(), 0755);
        std::fflush(nullptr);
        iPid = ::fork();
        if (iPid == 0)
        {
            // A test runner may start us with Ctrl+C ignored; a user's shell does not.
            for (const int iSignal : {SIGINT, SIGTERM, SIGHUP})
                ::signal(iSignal, SIG_DFL);
            const int iErr = ::open(sStderr.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
            const int iNull = ::open("/dev/null", O_RDWR);
            ::dup2(iNull, STDIN_FILENO);
            ::dup2(iNull, STDOUT_FILENO);
            ::dup2(iErr, STDERR_FILENO);
            ::execl(LARKSPUR_CLI_PATH, LARKSPUR_CLI_PATH, "mount", "-f", sArchive.c_str(), sMountPoint.c_str(), nullptr);
            ::_exit(127);
        }
        bMounted = WaitFor([&] { return IsMounted(sMountPoint) || !Running(); });
    }
    ~CMount()
    {
        // Lazily: a failed test may have left a file open in the mount.
        if (Running())
            RunTool("fusermount3 -u -z '" + sMountPoint + "' 2>/dev/null");
        if (Running())
        {
            ::kill(iPid, SIGKILL);
            ::waitpid(iPid, nullptr, 0);
        }
    }
    CMount(const CMount &) = delete;
    CMount &operator=(const CMount &) = delete;

    bool Mounted() const { return bMounted && IsMounted(sMountPoint); }
    bool Running()
    {
        if (iStatus < 0 && ::waitpid(iPid, &iStatus, WNOHANG) == 0)
            return true;
        return false;
    }
    // The server's exit status once it has ended (-1 while it runs).
    int Status()
    {
        WaitFor([&] { return !Running(); });
        return iStatus >= 0 && WIFEXITED(iStatus) ? WEXITSTATUS(iStatus) : -1;
    }
    int Unmount()
    {
        RunTool("fusermount3 -u '" + sMountPoint + "'");
        return Status();
    }
    int Stop(int iSignal)
    {
        ::kill(iPid, iSignal);
        return Status();
    }

    const std::string sMountPoint;

private:
    pid_t iPid = -1;
    int iStatus = -1;
    bool bMounted = false;
};

// What the builder put in: every folder and file under its path relative to
// the mount point ("root/maps/x.bsp"), files with their bytes.
struct SExpected
{
    TestSupport::SStrings Paths;  // sorted, as ListTree gives them
    std::map<std::string, std::string> Files;
};

SExpected Expect(const GcfBuilder::SItem &Root);
// The archive built into sPath; its layout.
GcfBuilder::SLayout WriteArchive(const std::string &sPath, const GcfBuilder::SItem &Tree,
                                 const GcfBuilder::SOptions &Options = {},
                                 const std::function<void(GcfBuilder::SArchive &)> &Damage = {});
// Reads a whole file; the errno of a failed read, 0 when it read to its end.
int ReadAll(const std::string &sPath, std::string &sData);
// Whether every page of a mounted file is in the kernel's cache, asked
// without reading it.
bool IsCached(const std::string &sPath, size_t uiSize);

}  // namespace MountSupport
