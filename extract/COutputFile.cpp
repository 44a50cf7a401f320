#include "COutputFile.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

CMappingRelease::CMappingRelease(const uint8_t *lpMapping, uint64_t uiMappingSize, uint64_t &uiSinceRelease)
    : lpMapping(lpMapping), uiMappingSize(uiMappingSize), uiSinceRelease(uiSinceRelease)
{
}

void CMappingRelease::Note(uint64_t uiBytesWritten)
{
    uiSinceRelease += uiBytesWritten;
    if (lpMapping == nullptr || uiSinceRelease < RELEASE_BYTES)
        return;
    uiSinceRelease = 0;
    ::madvise(const_cast<uint8_t *>(lpMapping), uiMappingSize, MADV_DONTNEED);
}

COutputFile::COutputFile(const uint8_t *lpBase, int iArchiveDescriptor, CMappingRelease *lpRelease)
    : lpBase(lpBase), iArchiveDescriptor(iArchiveDescriptor), lpRelease(lpRelease)
{
}

COutputFile::~COutputFile()
{
    if (iDescriptor >= 0)
        ::close(iDescriptor);
}

EOpenOutput COutputFile::Open(const std::string &sPath, uint64_t uiArchiveDevice, uint64_t uiArchiveInode)
{
    // No O_TRUNC here: the target is emptied only once it is known not to be
    // the archive. O_NONBLOCK keeps a FIFO without a reader from hanging the
    // open; O_NOFOLLOW leaves a link at the target path (and whatever it
    // points to) alone.
    const int iFile = ::open(sPath.c_str(), O_WRONLY | O_CREAT | O_NOFOLLOW | O_NONBLOCK | O_NOCTTY | O_CLOEXEC, 0666);
    if (iFile < 0)
        return EOpenOutput::Failed;

    struct stat Stat;
    if (::fstat(iFile, &Stat) != 0 || !S_ISREG(Stat.st_mode))
    {
        ::close(iFile);
        return EOpenOutput::Failed;
    }
    if ((uiArchiveDevice != 0 || uiArchiveInode != 0) && static_cast<uint64_t>(Stat.st_dev) == uiArchiveDevice &&
        static_cast<uint64_t>(Stat.st_ino) == uiArchiveInode)
    {
        ::close(iFile);
        return EOpenOutput::IsArchive;
    }
    // O_NONBLOCK has done its work; none of the other flags that F_SETFL
    // sets was asked for, so clearing them all clears just that one.
    if ((Stat.st_size != 0 && ::ftruncate(iFile, 0) != 0) || ::fcntl(iFile, F_SETFL, 0) != 0)
    {
        ::close(iFile);
        return EOpenOutput::Failed;
    }

    iDescriptor = iFile;
    uiPendingRuns = 0;
    uiPendingBytes = 0;
    return EOpenOutput::Opened;
}

bool COutputFile::Append(uint64_t uiOffset, uint32_t uiLength)
{
    if (uiLength == 0)
        return true;
    const uint8_t *lpStep = lpBase + uiOffset;
    if (uiPendingRuns > 0)
    {
        iovec &Last = Pending[uiPendingRuns - 1];
        if (static_cast<const uint8_t *>(Last.iov_base) + Last.iov_len == lpStep)
        {
            Last.iov_len += uiLength;
            uiPendingBytes += uiLength;
            return uiPendingBytes < FLUSH_BYTES || Flush();
        }
        if (uiPendingRuns == MAX_PENDING_RUNS && !Flush())
            return false;
    }
    Pending[uiPendingRuns++] = iovec{const_cast<uint8_t *>(lpStep), uiLength};
    uiPendingBytes += uiLength;
    return uiPendingBytes < FLUSH_BYTES || Flush();
}

bool COutputFile::Flush()
{
    if (iDescriptor < 0)
        return false;
    // Short runs go out together in one gathered write; a long run, when the
    // archive's descriptor allows it, is copied by the kernel on its own.
    size_t uiGatherStart = 0;
    for (size_t uiRun = 0; uiRun < uiPendingRuns; ++uiRun)
    {
        if (iArchiveDescriptor < 0 || Pending[uiRun].iov_len < COPY_RANGE_MIN)
            continue;
        if (!WriteGathered(uiGatherStart, uiRun) || !CopyRun(Pending[uiRun]))
        {
            uiPendingRuns = 0;
            uiPendingBytes = 0;
            return false;
        }
        uiGatherStart = uiRun + 1;
    }
    const bool bWritten = WriteGathered(uiGatherStart, uiPendingRuns);
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

bool COutputFile::WriteGathered(size_t uiFirst, size_t uiEnd)
{
    while (uiFirst < uiEnd)
    {
        if (uiEnd - uiFirst == 1)
        {
            const bool bWritten = WriteAll(static_cast<const uint8_t *>(Pending[uiFirst].iov_base), Pending[uiFirst].iov_len);
            return bWritten;
        }
        const ssize_t iWritten = ::writev(iDescriptor, Pending + uiFirst, static_cast<int>(uiEnd - uiFirst));
        if (iWritten < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (iWritten == 0)
            return false;
        if (lpRelease != nullptr)
            lpRelease->Note(static_cast<uint64_t>(iWritten));
        // A short write: skip what went out and go on with the rest.
        size_t uiDone = static_cast<size_t>(iWritten);
        while (uiFirst < uiEnd && uiDone >= Pending[uiFirst].iov_len)
            uiDone -= Pending[uiFirst++].iov_len;
        if (uiFirst < uiEnd)
        {
            Pending[uiFirst].iov_base = static_cast<uint8_t *>(Pending[uiFirst].iov_base) + uiDone;
            Pending[uiFirst].iov_len -= uiDone;
        }
    }
    return true;
}

bool COutputFile::CopyRun(const iovec &Run)
{
    const uint8_t *lpRun = static_cast<const uint8_t *>(Run.iov_base);
    loff_t iSourceOffset = static_cast<loff_t>(lpRun - lpBase);
    uint64_t uiLeft = Run.iov_len;
    while (uiLeft > 0)
    {
        const ssize_t iCopied = ::copy_file_range(iArchiveDescriptor, &iSourceOffset, iDescriptor, nullptr, uiLeft, 0);
        if (iCopied > 0)
        {
            uiLeft -= static_cast<uint64_t>(iCopied);
            continue;
        }
        if (iCopied < 0 && errno == EINTR)
            continue;
        if (iCopied < 0 && errno != EXDEV && errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP &&
            errno != EBADF)
            return false;
        if (iCopied < 0)
        {
            bCopyRangeRefused = true;
            iArchiveDescriptor = -1;
        }
        // Refused, or the archive's file ended early (it was cut short after
        // it was mapped): the rest goes from the mapping, where such a loss
        // shows as a failed write rather than a fault.
        break;
    }
    return WriteAll(lpRun + (Run.iov_len - uiLeft), uiLeft);
}

bool COutputFile::WriteAll(const uint8_t *lpData, uint64_t uiLength)
{
    while (uiLength > 0)
    {
        const ssize_t iWritten = ::write(iDescriptor, lpData, uiLength);
        if (iWritten < 0)
        {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (iWritten == 0)
            return false;
        if (lpRelease != nullptr)
            lpRelease->Note(static_cast<uint64_t>(iWritten));
        lpData += iWritten;
        uiLength -= static_cast<uint64_t>(iWritten);
    }
    return true;
}
