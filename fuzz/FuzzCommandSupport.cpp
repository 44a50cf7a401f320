// SPDX-License-Identifier: MIT
#include "FuzzCommandSupport.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <vector>

namespace FuzzSupport
{

std::string InputAsFile(const uint8_t *lpData, size_t uiSize)
{
    static const int iFile = ::memfd_create("fuzz.gcf", MFD_CLOEXEC);
    if (iFile < 0 || ::ftruncate(iFile, 0) != 0 ||
        (uiSize > 0 && ::pwrite(iFile, lpData, uiSize, 0) != static_cast<ssize_t>(uiSize)))
        Broken("cannot write the input to a memfd", uiSize);
    return "/proc/self/fd/" + std::to_string(iFile);
}

const std::string &ScratchFolder()
{
    static const std::string sFolder = [] {
        std::string sTemplate = (::access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp");
        sTemplate += "/larkspur-fuzz-XXXXXX";
        if (::mkdtemp(sTemplate.data()) == nullptr)
            Broken("cannot make a scratch folder", 0);
        return sTemplate;
    }();
    return sFolder;
}

uint64_t EmptyFolder(const std::string &sFolder)
{
    // One descriptor at a time, however deep: go down into the first folder
    // found, and come back up through ".." once a folder is empty.
    int iFolder = ::open(sFolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    std::vector<std::string> Below;  // the names from sFolder down to iFolder
    uint64_t uiBytes = 0;
    while (iFolder >= 0)
    {
        DIR *lpListing = ::fdopendir(::dup(iFolder));
        std::string sSubfolder;
        while (lpListing != nullptr && sSubfolder.empty())
        {
            const dirent *lpItem = ::readdir(lpListing);
            if (lpItem == nullptr)
                break;
            if (std::strcmp(lpItem->d_name, ".") == 0 || std::strcmp(lpItem->d_name, "..") == 0)
                continue;
            struct stat Stat;
            if (::fstatat(iFolder, lpItem->d_name, &Stat, AT_SYMLINK_NOFOLLOW) != 0)
                continue;
            if (S_ISDIR(Stat.st_mode))
                sSubfolder = lpItem->d_name;
            else if (::unlinkat(iFolder, lpItem->d_name, 0) == 0)
                uiBytes += uint64_t(Stat.st_size);
        }
        if (lpListing != nullptr)
            ::closedir(lpListing);
        if (!sSubfolder.empty())
        {
            const int iChild = ::openat(iFolder, sSubfolder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
            if (iChild < 0)
                Broken("cannot open a folder the extraction made", 0);
            ::close(iFolder);
            iFolder = iChild;
            Below.push_back(sSubfolder);
            continue;
        }
        if (Below.empty())
            break;
        const int iParent = ::openat(iFolder, "..", O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        ::close(iFolder);
        iFolder = iParent;
        if (iFolder >= 0)
            ::unlinkat(iFolder, Below.back().c_str(), AT_REMOVEDIR);
        Below.pop_back();
    }
    if (iFolder >= 0)
        ::close(iFolder);
    return uiBytes;
}

SInputCopy::SInputCopy(const uint8_t *lpData, size_t uiSize) : lpBytes(new uint8_t[uiSize > 0 ? uiSize : 1]), uiSize(uiSize)
{
    if (uiSize > 0)
        std::memcpy(lpBytes, lpData, uiSize);
}

}  // namespace FuzzSupport
