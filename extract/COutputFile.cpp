// SPDX-License-Identifier: MIT
#include "COutputFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace Larkspur
{

namespace
{

SOutputResult Failed(int iSystemError)
{
    return {EOutput::Failed, iSystemError};
}

}  // namespace

COutputFile::~COutputFile()
{
    if (iDescriptor >= 0)
        ::close(iDescriptor);
}

SOutputResult COutputFile::OpenAt(int iFolder, const std::string &sName, const IArchive &Archive,
                                  bool bReplaceExisting)
{
    // Most targets are new: one openat makes them. O_EXCL never opens what
    // is there already (nor follows a link there), so only a name that is
    // taken needs the checks below, and a file made at that name in between
    // is not written into either.
    constexpr int CREATE_FLAGS = O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NOCTTY | O_CLOEXEC;
    int iFile = ::openat(iFolder, sName.c_str(), CREATE_FLAGS, 0666);
    if (iFile < 0 && errno == EEXIST)
    {
        if (!bReplaceExisting)
            return {EOutput::Exists};
        struct stat Stat;
        if (::fstatat(iFolder, sName.c_str(), &Stat, AT_SYMLINK_NOFOLLOW) != 0)
            return Failed(errno);
        if (Archive.IsArchiveFile(static_cast<uint64_t>(Stat.st_dev), static_cast<uint64_t>(Stat.st_ino)))
            return {EOutput::IsArchive};
        // A link, FIFO or device at the name stays: the exclusive create's
        // "exists" is the reason.
        if (!S_ISREG(Stat.st_mode))
            return Failed(S_ISDIR(Stat.st_mode) ? EISDIR : EEXIST);
        // A file we may not write is left as it is, as a write into it would
        // have been refused.
        if (::faccessat(iFolder, sName.c_str(), W_OK, AT_EACCESS) != 0 || ::unlinkat(iFolder, sName.c_str(), 0) != 0)
            return Failed(errno);
        iFile = ::openat(iFolder, sName.c_str(), CREATE_FLAGS, 0666);
    }
    if (iFile < 0)
        return Failed(errno);
    iDescriptor = iFile;
    uiPendingRuns = 0;
    uiPendingBytes = 0;
    return {};
}

SOutputResult COutputFile::Append(const SDataRun &Run)
{
    if (Run.uiLength == 0)
        return {};
    const CDataSource &Source = *Run.lpSource;
    if (Run.uiLength >= COPY_RUN_BYTES && bCopyInKernel)
    {
        if (SOutputResult Flushed = Flush(); !Flushed)
            return Flushed;
        switch (Source.CopyToFile(Run.uiFileOffset, Run.uiLength, iDescriptor))
        {
        case EKernelCopy::Copied:
            return {};
        case EKernelCopy::SourceShort:
            return {EOutput::SourceUnreadable};
        case EKernelCopy::Failed:
            return Failed(errno);
        case EKernelCopy::Unsupported:
            // This run is written from the mapping, as every later one.
            bCopyInKernel = false;
            break;
        }
    }
    iovec View;
    if (!Source.KernelView(Run.uiFileOffset, Run.uiLength, View))
        return {EOutput::SourceUnreadable};
    if (uiPendingRuns == MAX_PENDING_RUNS)
    {
        if (SOutputResult Flushed = Flush(); !Flushed)
            return Flushed;
    }
    Pending[uiPendingRuns++] = View;
    uiPendingBytes += Run.uiLength;
    return uiPendingBytes < FLUSH_BYTES ? SOutputResult{} : Flush();
}

SOutputResult COutputFile::Flush()
{
    if (iDescriptor < 0)
        return Failed(EBADF);
    // One gathered write of all queued runs, and its rest after a short one.
    size_t uiFirst = 0;
    SOutputResult Result;
    while (uiFirst < uiPendingRuns)
    {
        const ssize_t iWritten = ::writev(iDescriptor, Pending + uiFirst, static_cast<int>(uiPendingRuns - uiFirst));
        if (iWritten < 0 && errno == EINTR)
            continue;
        if (iWritten <= 0)
        {
            const int iError = iWritten < 0 ? errno : 0;
            Result = iError == EFAULT ? SOutputResult{EOutput::SourceUnreadable} : Failed(iError);
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
    return Result;
}

SOutputResult COutputFile::Close()
{
    if (iDescriptor < 0)
        return {};
    const SOutputResult Flushed = Flush();
    // A failed close can be the first report of a failed write (a full disk
    // on a network file system): it fails the file like the write would.
    const int iClosed = ::close(iDescriptor);
    const int iError = errno;
    iDescriptor = -1;
    if (!Flushed)
        return Flushed;
    return iClosed == 0 ? SOutputResult{} : Failed(iError);
}

}  // namespace Larkspur
