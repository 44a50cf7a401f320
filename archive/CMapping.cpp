#include "CMapping.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace Larkspur
{

// There are no share modes here: another program may hold the file open for
// writing while it is mapped, and nothing can ask the kernel to refuse that.
// MAP_PRIVATE keeps our view of the pages we have touched, but a file cut
// short underneath the mapping still faults on the lost pages; the reader
// cannot guard against that and does not try.

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
    // The view keeps its own reference to the file.
    ::close(iFile);
    if (lpView == MAP_FAILED)
        return false;

    lpData = static_cast<const uint8_t *>(lpView);
    uiSize = uiBytes;
    uiDevice = static_cast<uint64_t>(Status.st_dev);
    uiInode = static_cast<uint64_t>(Status.st_ino);
    bOwned = true;
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

bool CMapping::Unmap()
{
    if (lpData == nullptr)
        return false;
    bool bReleased = true;
    if (bOwned)
        bReleased = ::munmap(const_cast<uint8_t *>(lpData), static_cast<size_t>(uiSize)) == 0;
    lpData = nullptr;
    uiSize = 0;
    uiDevice = 0;
    uiInode = 0;
    bOwned = false;
    return bReleased;
}

}  // namespace Larkspur
