// SPDX-License-Identifier: MIT
#pragma once
// One file of an open VPK set, as a source of file data: the directory file
// or a numbered data file, mapped read-only. A copy that the kernel makes
// file to file (copy_file_range) takes the descriptor; everything else reads
// through ReadBytes, which checks the range and copies under the guard of
// CGuardedRead.h, since another program may cut the file short meanwhile.

#include "CMapping.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace Larkspur
{

class CVPKSource
{
public:
    CVPKSource() = default;
    CVPKSource(const CVPKSource &) = delete;
    CVPKSource &operator=(const CVPKSource &) = delete;

    const std::string &GetPath() const { return sPath; }
    // The data file's number, or VPK_DIRECTORY_FILE_INDEX for the directory file.
    uint16_t GetArchiveIndex() const { return uiArchiveIndex; }
    uint64_t GetSize() const { return Mapping.uiSize; }  // the size when it was mapped
    // -1 for a file held in memory.
    int GetFileDescriptor() const { return Mapping.iDescriptor; }
    // 0, 0 for a file held in memory.
    uint64_t GetFileDevice() const { return Mapping.uiDevice; }
    uint64_t GetFileInode() const { return Mapping.uiInode; }
    // True when the file is now shorter than when it was mapped.
    bool IsCutShort() const { return Mapping.IsCutShort(); }

    // Copies bytes at a file offset. False when they do not lie inside the
    // mapping, or the file has been cut short under them.
    bool ReadBytes(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const;
    // After a failed ReadBytes: copies page by page up to the first lost
    // page and gives the number of bytes copied.
    size_t ReadUpToLoss(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const;

private:
    friend class CVPK;

    CMapping Mapping;
    std::string sPath;
    uint16_t uiArchiveIndex = 0;
};

}  // namespace Larkspur
