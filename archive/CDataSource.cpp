// SPDX-License-Identifier: MIT
#include "CDataSource.h"

#include "CGuardedRead.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>

namespace Larkspur
{

void CDataSource::Release(uint64_t uiOffset, uint64_t uiLength) const
{
    if (Contains(uiOffset, uiLength))
        Mapping.Release(Mapping.lpData + uiOffset, uiLength);
}

bool CDataSource::ReadBytes(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const
{
    if (!Contains(uiOffset, uiBytes))
        return false;
    return GuardedCopy(lpBuffer, Mapping.lpData + uiOffset, uiBytes);
}

size_t CDataSource::ReadUpToLoss(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const
{
    // A page is the unit that can be lost; the mapping starts on a page.
    constexpr uint64_t PAGE = 4096;
    auto *lpTarget = static_cast<uint8_t *>(lpBuffer);
    size_t uiCopied = 0;
    while (uiCopied < uiBytes)
    {
        const uint64_t uiAt = uiOffset + uiCopied;
        const size_t uiStep = static_cast<size_t>(std::min<uint64_t>(PAGE - uiAt % PAGE, uiBytes - uiCopied));
        if (!ReadBytes(uiAt, lpTarget + uiCopied, uiStep))
            break;
        uiCopied += uiStep;
    }
    return uiCopied;
}

bool CDataSource::KernelView(uint64_t uiOffset, uint64_t uiLength, iovec &View) const
{
    if (!Contains(uiOffset, uiLength))
        return false;
    View = iovec{const_cast<uint8_t *>(Mapping.lpData + uiOffset), static_cast<size_t>(uiLength)};
    return true;
}

EKernelCopy CDataSource::CopyToFile(uint64_t uiOffset, uint64_t uiLength, int iTarget) const
{
    if (Mapping.iDescriptor < 0)
        return EKernelCopy::Unsupported;
    if (!Contains(uiOffset, uiLength))
        return EKernelCopy::SourceShort;
    uint64_t uiCopied = 0;
    loff_t iSource = static_cast<loff_t>(uiOffset);
    while (uiCopied < uiLength)
    {
        const ssize_t iCopied = ::copy_file_range(Mapping.iDescriptor, &iSource, iTarget, nullptr,
                                                  static_cast<size_t>(uiLength - uiCopied), 0);
        if (iCopied < 0 && errno == EINTR)
            continue;
        if (iCopied < 0 && uiCopied == 0 &&
            (errno == EXDEV || errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP || errno == EBADF))
            return EKernelCopy::Unsupported;
        // The end of the source file before the bytes' end: it was cut
        // short under us.
        if (iCopied == 0)
            return EKernelCopy::SourceShort;
        if (iCopied < 0)
            return EKernelCopy::Failed;
        uiCopied += static_cast<uint64_t>(iCopied);
    }
    return EKernelCopy::Copied;
}

bool CDataSource::FindResidentPages(std::vector<unsigned char> &Pages, uint64_t &uiPageSize) const
{
    Pages.clear();
    if (Mapping.iDescriptor < 0 || !IsMapped() || Mapping.uiSize == 0)
        return false;
    uiPageSize = static_cast<uint64_t>(::sysconf(_SC_PAGESIZE));
    Pages.resize((Mapping.uiSize + uiPageSize - 1) / uiPageSize);
    if (::mincore(const_cast<uint8_t *>(Mapping.lpData), Mapping.uiSize, Pages.data()) != 0)
    {
        Pages.clear();
        return false;
    }
    return true;
}

void CDataSource::AdviseWillNeed(uint64_t uiOffset, uint64_t uiLength) const
{
    if (Mapping.iDescriptor >= 0 && uiLength != 0)
        ::posix_fadvise(Mapping.iDescriptor, static_cast<off_t>(uiOffset), static_cast<off_t>(uiLength),
                        POSIX_FADV_WILLNEED);
}

}  // namespace Larkspur
