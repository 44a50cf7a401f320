// SPDX-License-Identifier: MIT
#include "COutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Larkspur
{

COutputFile::~COutputFile()
{
    if (iDescriptor >= 0)
        ::close(iDescriptor);
}

EOpenOutput COutputFile::OpenAt(int iFolder, const std::string &sName, uint64_t uiArchiveDevice,
                                uint64_t uiArchiveInode)
{
    // Most targets are new: one openat makes them. O_EXCL never opens what
    // is there already (nor follows a link there), so only a name that is
    // taken needs the checks below, and a file made at that name in between
    // is not written into either.
    constexpr int CREATE_FLAGS = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int iFile = ::openat(iFolder, sName.c_str(), CREATE_FLAGS, 0666);
    if (iFile < 0 && errno == EEXIST)
    {
        struct stat Stat;
        if (::fstatat(iFolder, sName.c_str(), &Stat, AT_SYMLINK_NOFOLLOW) != 0)
            return EOpenOutput::Failed;
        if ((uiArchiveDevice != 0 || uiArchiveInode != 0) && static_cast<uint64_t>(Stat.st_dev) == uiArchiveDevice &&
            static_cast<uint64_t>(Stat.st_ino) == uiArchiveInode)
            return EOpenOutput::IsArchive;
        // A file we may not write is left as it is, as a write into it would
        // have been refused.
        if (!S_ISREG(Stat.st_mode) || ::faccessat(iFolder, sName.c_str(), W_OK, AT_EACCESS) != 0 ||
            ::unlinkat(iFolder, sName.c_str(), 0) != 0)
            return EOpenOutput::Failed;
        iFile = ::openat(iFolder, sName.c_str(), CREATE_FLAGS, 0666);
    }
    if (iFile < 0)
        return EOpenOutput::Failed;
    iDescriptor = iFile;
    uiPendingRuns = 0;
    uiPendingBytes = 0;
    bSourceUnreadable = false;
    return EOpenOutput::Opened;
}

bool COutputFile::Append(const SDataRun &Run)
{
    if (Run.uiLength == 0)
        return true;
    const CDataSource &Source = *Run.lpSource;
    if (Run.uiLength >= COPY_RUN_BYTES && bCopyInKernel)
    {
        if (!Flush())
            return false;
        switch (Source.CopyToFile(Run.uiFileOffset, Run.uiLength, iDescriptor))
        {
        case EKernelCopy::Copied:
            return true;
        case EKernelCopy::SourceShort:
            bSourceUnreadable = true;
            return false;
        case EKernelCopy::Failed:
            return false;
        case EKernelCopy::Unsupported:
            // This run is written from the mapping, as every later one.
            bCopyInKernel = false;
            break;
        }
    }
    iovec View;
    if (!Source.KernelView(Run.uiFileOffset, Run.uiLength, View))
    {
        bSourceUnreadable = true;
        return false;
    }
    if (uiPendingRuns == MAX_PENDING_RUNS && !Flush())
        return false;
    Pending[uiPendingRuns++] = View;
    uiPendingBytes += Run.uiLength;
    return uiPendingBytes < FLUSH_BYTES || Flush();
}

bool COutputFile::Flush()
{
    if (iDescriptor < 0)
        return false;
    // One gathered write of all queued runs, and its rest after a short one.
    size_t uiFirst = 0;
    bool bWritten = true;
    while (uiFirst < uiPendingRuns)
    {
        const ssize_t iWritten = ::writev(iDescriptor, Pending + uiFirst, static_cast<int>(uiPendingRuns - uiFirst));
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten <= 0)
        {
            bSourceUnreadable = iWritten < 0 && errno == EFAULT;
            bWritten = false;
            break;
        }
        size_t uiDone = static_cast<size_t>(iWritten);
        while (uiFirst < uiPendingRuns && uiDone >= Pending[uiFirst].iov_len)
            uiDone -= Pending[uiFirst++].iov_len;
        if (uiFirst < uiPendingRuns)
        {
            Pending[uiFirst].iov_base = static_cast<uint8_t *>(Pending[uiFirst].iov_base) + uiDone;
            Pending[uiFirst].iov_len -= uiDone;
        }
    }
    uiPendingRuns = 0;
    uiPendingBytes = 0;
    return bWritten;
}

bool COutputFile::Close()
{
    if (iDescriptor < 0)
        return true;
    const bool bFlushed = Flush();
    // A failed close can be the first report of a failed write (a full disk
    // on a network file system): it fails the file like the write would.
    const bool bClosed = ::close(iDescriptor) == 0;
    iDescriptor = -1;
    return bFlushed && bClosed;
}

}  // namespace Larkspur
