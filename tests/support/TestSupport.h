// SPDX-License-Identifier: MIT
#pragma once
// What the tests of every layer share: a temporary folder, whole-file reads
// and writes, a listing of a folder tree, a body run in a child process,
// and readable failures for QString values (where Qt is there). Nothing here
// touches the current folder: the reader's dump goes to a folder it is given.
// The tool's in-process runner is the cli tests' own (tests/cli/CliSupport.h).

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

#if __has_include(<QThreadPool>)
#include <QThreadPool>
#endif

#if __has_include(<QString>)
#include <QString>

inline void PrintTo(const QString &sText, std::ostream *lpStream)
{
    *lpStream << '"' << sText.toStdString() << '"';
}
#endif

namespace TestSupport
{

using SStrings = std::vector<std::string>;

// A fresh folder under the system's temporary folder, removed with
// everything in it at the end.
class CTempDir
{
public:
    CTempDir()
    {
        std::string sTemplate = (std::filesystem::temp_directory_path() / "larkspur-test-XXXXXX").string();
        if (::mkdtemp(sTemplate.data()) == nullptr)
            ADD_FAILURE() << "mkdtemp failed";
        sPath = sTemplate;
    }
    ~CTempDir()
    {
        std::error_code Error;
        std::filesystem::remove_all(sPath, Error);
    }
    CTempDir(const CTempDir &) = delete;
    CTempDir &operator=(const CTempDir &) = delete;

    std::string operator/(const std::string &sName) const { return sPath + "/" + sName; }

    std::string sPath;
};

// Anything at the path, links included.
inline bool FileExists(const std::string &sPath)
{
    struct stat Stat;
    return ::lstat(sPath.c_str(), &Stat) == 0;
}

inline std::string ReadFile(const std::string &sPath)
{
    std::ifstream Stream(sPath, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(Stream), std::istreambuf_iterator<char>());
}

inline void WriteText(const std::string &sPath, const std::string &sText)
{
    std::ofstream(sPath, std::ios::binary | std::ios::trunc) << sText;
}

// Everything below sFolder, as sorted paths relative to it.
inline SStrings ListTree(const std::string &sFolder)
{
    namespace fs = std::filesystem;
    SStrings Found;
    std::error_code Error;
    for (auto It = fs::recursive_directory_iterator(sFolder, Error); !Error && It != fs::recursive_directory_iterator();
         It.increment(Error))
        Found.push_back(fs::relative(It->path(), sFolder).string());
    std::sort(Found.begin(), Found.end());
    return Found;
}

// The threads of this process: a forked child has only the one that forked.
inline size_t ThreadCount()
{
    std::error_code Error;
    const std::filesystem::directory_iterator Tasks("/proc/self/task", Error);
    return Error ? 1 : size_t(std::distance(Tasks, std::filesystem::directory_iterator()));
}

// Runs Body in a forked child (failed expectations there fail the child) and
// returns its exit status; -1 when it died or ran past iSeconds.
//
// The child has only the thread that forked, but a copy of everything the
// other threads owned. Qt's shared thread pool, where the raster engine fills
// large areas once a window has painted, still lists its idle threads there,
// hands them work and waits for it forever. Ending the pool's threads first
// (waitForDone joins them) lets the child start its own; any other thread
// would leave the child a lock that nobody releases, so there must be none.
inline int RunInChild(const std::function<void()> &Body, int iSeconds = 20)
{
#if __has_include(<QThreadPool>)
    QThreadPool::globalInstance()->waitForDone();
#endif
    // A joined thread may take a moment to leave the kernel's list.
    for (int iTry = 0; iTry < 1000 && ThreadCount() > 1; ++iTry)
        ::usleep(1000);
    EXPECT_EQ(ThreadCount(), 1u) << "a thread of this process would be missing in the forked child";
    std::fflush(nullptr);
    const pid_t iChild = ::fork();
    if (iChild == 0)
    {
        ::alarm(static_cast<unsigned>(iSeconds));
        Body();
        std::fflush(nullptr);
        ::_exit(::testing::Test::HasFailure() ? 1 : 0);
    }
    int iStatus = 0;
    if (iChild < 0 || ::waitpid(iChild, &iStatus, 0) != iChild || !WIFEXITED(iStatus))
        return -1;
    return WEXITSTATUS(iStatus);
}

}  // namespace TestSupport
