// SPDX-License-Identifier: MIT
// Removing a folder with everything in it: the window's temporary folder at
// closing, each removal reported on the console.

#include "extract/CTempFolder.h"

#include "window/ShownText.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <string>
#include <vector>

namespace Larkspur
{

namespace
{

std::string JoinPath(const std::string &sFolder, const char *szName)
{
    std::string sPath = sFolder;
    if (sPath.empty() || sPath.back() != '/')
        sPath += '/';
    return sPath + szName;
}

// The items of one folder being removed: its subfolders, then its files.
struct SDeleteLevel
{
    std::vector<std::string> Folders, Files;
    size_t uiNext = 0;  // the next subfolder
    bool bListed = false;
};

SDeleteLevel ListFolder(int iFolder)
{
    SDeleteLevel Level;
    DIR *lpListing = iFolder >= 0 ? ::fdopendir(::dup(iFolder)) : nullptr;
    if (lpListing == nullptr)
        return Level;
    ::rewinddir(lpListing);
    errno = 0;
    while (const dirent *lpItem = ::readdir(lpListing))
    {
        const std::string_view sName = lpItem->d_name;
        if (sName == "." || sName == "..")
            continue;
        bool bFolder = lpItem->d_type == DT_DIR;
        if (lpItem->d_type == DT_UNKNOWN)
        {
            struct stat Stat;
            bFolder = ::fstatat(iFolder, lpItem->d_name, &Stat, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(Stat.st_mode);
        }
        // Links, folder links included, are removed as files.
        (bFolder ? Level.Folders : Level.Files).emplace_back(sName);
        errno = 0;
    }
    Level.bListed = errno == 0;
    ::closedir(lpListing);
    return Level;
}

// "Deleted ..." or "Could not delete ...".
void ReportRemoval(IConsole &Console, bool bRemoved, const std::string &sShownPath)
{
    if (bRemoved)
        Console.WriteLine("Deleted " + sShownPath + ".", ELineColor::Gray);
    else
        Console.WriteLine("Could not delete " + sShownPath + ".", ELineColor::Red);
}

// Subfolders first, each emptied before it is removed, then the files, then
// the folder itself. The walk goes by descriptors, one at a time, down by
// name and up by "..": however deep the folders go (an extraction makes
// them as deep as the archive's), no path is handed to the system, and the
// lines show paths of at most 4,096 bytes.
void DeleteDirectoryAt(const std::string &sPath, IConsole &Console)
{
    CBoundedPath Shown(sPath);
    int iFolder = ::open(sPath.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::vector<SDeleteLevel> Levels;
    Levels.push_back(ListFolder(iFolder));
    if (!Levels.back().bListed)
        Console.WriteLine("Could not list " + ShortenedPath(sPath) + ".", ELineColor::Red);
    while (!Levels.empty())
    {
        SDeleteLevel &Level = Levels.back();
        if (Level.uiNext < Level.Folders.size())
        {
            const std::string &sName = Level.Folders[Level.uiNext++];
            const int iChild = ::openat(iFolder, sName.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            SDeleteLevel Child = ListFolder(iChild);
            if (!Child.bListed)
            {
                Console.WriteLine("Could not list " + Shown.Shown(Shown.Depth(), '/', sName) + ".", ELineColor::Red);
                if (iChild >= 0)
                    ::close(iChild);
                ReportRemoval(Console, ::unlinkat(iFolder, sName.c_str(), AT_REMOVEDIR) == 0,
                              Shown.Shown(Shown.Depth(), '/', sName));
                continue;
            }
            ::close(iFolder);
            iFolder = iChild;
            Shown.Push('/', sName);  // the name lives in the level above, which outlives this one
            Levels.push_back(std::move(Child));
            continue;
        }

        for (const std::string &sFile : Level.Files)
            ReportRemoval(Console, ::unlinkat(iFolder, sFile.c_str(), 0) == 0, Shown.Shown(Shown.Depth(), '/', sFile));
        Levels.pop_back();
        if (Levels.empty())
            break;
        // Up to the parent, which removes the emptied folder by its name.
        const int iParent = ::openat(iFolder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(iFolder);
        iFolder = iParent;
        const std::string sFolderPath = Shown.Shown();
        Shown.Pop();
        const std::string &sName = Levels.back().Folders[Levels.back().uiNext - 1];
        ReportRemoval(Console, iFolder >= 0 && ::unlinkat(iFolder, sName.c_str(), AT_REMOVEDIR) == 0, sFolderPath);
    }
    if (iFolder >= 0)
        ::close(iFolder);
    ReportRemoval(Console, ::rmdir(sPath.c_str()) == 0, ShortenedPath(sPath));
}

}  // namespace

void CTempFolder::DeleteDirectory(const std::string &sDirectory, IConsole &Console)
{
    if (sDirectory.empty())
        return;
    std::string sPath = sDirectory;
    if (sPath.front() != '/')
    {
        if (char *szWorking = ::getcwd(nullptr, 0))
        {
            sPath = JoinPath(szWorking, sDirectory.c_str());
            std::free(szWorking);
        }
    }
    while (sPath.size() > 1 && sPath.back() == '/')
        sPath.pop_back();
    // A link in place of the folder is not the folder: nothing behind it is
    // deleted.
    struct stat Stat;
    if (::lstat(sPath.c_str(), &Stat) != 0 || !S_ISDIR(Stat.st_mode))
        return;
    DeleteDirectoryAt(sPath, Console);
}

}  // namespace Larkspur
