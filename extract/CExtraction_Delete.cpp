// SPDX-License-Identifier: MIT
// Removing a folder with everything in it: the window's temporary folder at
// closing, each removal reported on the console.

#include "CExtraction.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>

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

}  // namespace

void CExtraction::DeleteDirectory(const std::string &sDirectory)
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
    DeleteDirectoryAt(sPath);
}

void CExtraction::DeleteDirectoryAt(const std::string &sPath)
{
    std::vector<std::string> Folders, Files;
    if (DIR *lpListing = ::opendir(sPath.c_str()))
    {
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
                bFolder = ::lstat(JoinPath(sPath, lpItem->d_name).c_str(), &Stat) == 0 && S_ISDIR(Stat.st_mode);
            }
            // Links, folder links included, are removed as files.
            (bFolder ? Folders : Files).emplace_back(lpItem->d_name);
            errno = 0;
        }
        if (errno != 0)
            Console.WriteLine("Could not list " + sPath + ".", ELineColor::Red);
        ::closedir(lpListing);
    }
    else
    {
        Console.WriteLine("Could not list " + sPath + ".", ELineColor::Red);
    }

    for (const std::string &sFolder : Folders)
        DeleteDirectoryAt(JoinPath(sPath, sFolder.c_str()));
    for (const std::string &sFile : Files)
    {
        const std::string sFilePath = JoinPath(sPath, sFile.c_str());
        if (::unlink(sFilePath.c_str()) == 0)
            Console.WriteLine("Deleted " + sFilePath + ".", ELineColor::Gray);
        else
            Console.WriteLine("Could not delete " + sFilePath + ".", ELineColor::Red);
    }
    if (::rmdir(sPath.c_str()) == 0)
        Console.WriteLine("Deleted " + sPath + ".", ELineColor::Gray);
    else
        Console.WriteLine("Could not delete " + sPath + ".", ELineColor::Red);
}

}  // namespace Larkspur
