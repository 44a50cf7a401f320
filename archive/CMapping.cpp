// SPDX-License-Identifier: MIT
#include "CMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Larkspur
{

// There are no share modes here: another program may hold the file open for
// writing while it is mapped, and nothing can ask the kernel to refuse that.
// What it writes shows through the view at once, and a file cut short
// underneath the mapping faults on the lost pages: the reader copies what it
// needs under a guard (CGuardedRead.h) for that reason.

bool CMapping::Map(const char *szFileName)
{
    Unmap();
    if (szFileName == nullptr)
        return false;

    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a writer.
    const int iFile = ::open(szFileName, O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (iFile < 0)
        return false;

    struct stat Status {};
    if (::fstat(iFile, &Status) != 0 || !S_ISREG(Status.st_mode) || Status.st_size <= 0)
    {
        ::close(iFile);
        return false;
    }

    const size_t uiBytes = static_cast<size_t>(Status.st_size);
    void *lpView = ::mmap(nullptr, uiBytes, PROT_READ, MAP_PRIVATE, iFile, 0);
    if (lpView == MAP_FAILED)
    {
        ::close(iFile);
        return false;
    }

    lpData = static_cast<const uint8_t *>(lpView);
    uiSize = uiBytes;
    uiDevice = static_cast<uint64_t>(Status.st_dev);
    uiInode = static_cast<uint64_t>(Status.st_ino);
    bOwned = true;
    iDescriptor = iFile;
    return true;
}

void CMapping::Borrow(const void *lpBytes, size_t uiBytes)
{
    Unmap();
    lpData = static_cast<const uint8_t *>(lpBytes);
    uiSize = lpBytes != nullptr ? uiBytes : 0;
    uiDevice = 0;
    uiInode = 0;
    bOwned = false;
}

void CMapping::Release(const void *lpStart, uint64_t uiLength) const
{
    const auto uiStart = reinterpret_cast<uintptr_t>(lpStart);
    const auto uiBase = reinterpret_cast<uintptr_t>(lpData);
    if (!bOwned || lpStart == nullptr || uiStart < uiBase || uiLength > uiSize || uiStart - uiBase > uiSize - uiLength)
        return;
    const auto uiPage = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
    const uintptr_t uiFirst = (uiStart + uiPage - 1) / uiPage * uiPage;
    const uintptr_t uiEnd = (uiStart + uiLength) / uiPage * uiPage;
    if (uiFirst < uiEnd)
        ::madvise(reinterpret_cast<void *>(uiFirst), uiEnd - uiFirst, MADV_DONTNEED);
}

bool CMapping::Unmap()
{
    if (lpData == nullptr)
        return false;
    bool bReleased = true;
    if (bOwned)
        bReleased = ::munmap(const_cast<uint8_t *>(lpData), static_cast<size_t>(uiSize)) == 0;
    if (iDescriptor >= 0)
        ::close(iDescriptor);
    iDescriptor = -1;
    lpData = nullptr;
    uiSize = 0;
    uiDevice = 0;
    uiInode = 0;
    bOwned = false;
    return bReleased;
}

bool CMapping::IsCutShort() const
{
    struct stat Status {};
    return iDescriptor >= 0 && ::fstat(iDescriptor, &Status) == 0 && static_cast<uint64_t>(Status.st_size) < uiSize;
}

}  // namespace Larkspur
