// SPDX-License-Identifier: MIT
#pragma once
// One file that holds an archive's bytes (a GCF file, a VPK directory file or
// data file), mapped read-only, as the source that item data is read from.
// Callers never get an address into the mapping: they name bytes by offset
// and length, and this class checks the range once (Contains) and then does
// what they need with the bytes:
// - copies them into memory under the guard of CGuardedRead.h, since another
//   program may cut the file short while it is open (ReadBytes, ReadAt);
// - copies them into another file in the kernel (CopyToFile), or hands them
//   to a system call that copies them itself (KernelView: a gathered write, a
//   reply of the mount), where a lost page fails the call with EFAULT instead
//   of raising SIGBUS here;
// - tells which of its pages are in memory, and announces bytes that will be
//   read soon (the read-ahead of a cold archive).
// The owner (a reader) maps it and lets go of it; others see it const.

#include "CMapping.h"

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <type_traits>
#include <vector>

namespace Larkspur
{

// How a copy that the kernel makes from a source into a file ended.
enum class EKernelCopy
{
    Copied,
    Unsupported,  // the file systems cannot copy between them: copy another way
    SourceShort,  // the source file ended before the bytes did: it was cut short
    Failed,       // the target could not be written
};

class CDataSource
{
public:
    CDataSource() = default;
    CDataSource(const CDataSource &) = delete;
    CDataSource &operator=(const CDataSource &) = delete;

    // The owner's side (see CMapping).
    bool Map(const char *szFileName) { return Mapping.Map(szFileName); }
    void Borrow(const void *lpBytes, size_t uiBytes) { Mapping.Borrow(lpBytes, uiBytes); }
    bool Unmap() { return Mapping.Unmap(); }
    // Lets go of the resident pages that lie wholly inside the bytes: a part
    // copied out, that will not be read here again soon.
    void Release(uint64_t uiOffset, uint64_t uiLength) const;

    bool IsMapped() const { return Mapping.lpData != nullptr; }
    uint64_t GetSize() const { return Mapping.uiSize; }  // the size when it was mapped
    // -1 for bytes held in memory.
    int GetFileDescriptor() const { return Mapping.iDescriptor; }
    // 0, 0 for bytes held in memory.
    uint64_t GetFileDevice() const { return Mapping.uiDevice; }
    uint64_t GetFileInode() const { return Mapping.uiInode; }
    // True when the file is now shorter than when it was mapped: its lost
    // pages cannot be read any more. Never true for bytes held in memory.
    bool IsCutShort() const { return Mapping.IsCutShort(); }

    // The one range check: true when the uiLength bytes at uiOffset lie
    // wholly inside the mapping. No sum here can wrap.
    bool Contains(uint64_t uiOffset, uint64_t uiLength) const
    {
        return IsMapped() && uiOffset <= Mapping.uiSize && uiLength <= Mapping.uiSize - uiOffset;
    }

    // Copies bytes at a file offset. False when they do not lie inside the
    // mapping, or the file has been cut short under them.
    bool ReadBytes(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const;
    // One structure (a header, a block entry, a link) at a file offset.
    template <class T>
    bool ReadAt(uint64_t uiOffset, T &Value) const
    {
        static_assert(std::is_trivially_copyable_v<T>);
        return ReadBytes(uiOffset, &Value, sizeof(T));
    }
    // After a failed ReadBytes: copies page by page up to the first lost
    // page and gives the number of bytes copied.
    size_t ReadUpToLoss(uint64_t uiOffset, void *lpBuffer, size_t uiBytes) const;

    // The bytes as a piece for a system call that copies them itself
    // (writev, a FUSE reply or store). False, with View left alone, when
    // they do not lie inside the mapping.
    bool KernelView(uint64_t uiOffset, uint64_t uiLength, iovec &View) const;
    // Copies the bytes into the file open as iTarget at its current
    // position, file to file in the kernel (copy_file_range). Needs a file
    // (not bytes held in memory: Unsupported).
    EKernelCopy CopyToFile(uint64_t uiOffset, uint64_t uiLength, int iTarget) const;

    // One byte a page of the mapping, bit 0 set for a page in memory now
    // (mincore); false, with Pages empty, when that cannot be told (bytes
    // held in memory, or the system refuses).
    bool FindResidentPages(std::vector<unsigned char> &Pages, uint64_t &uiPageSize) const;
    // Tells the kernel that the bytes will be read soon, so that a disk gets
    // the reads together (posix_fadvise WILLNEED). Nothing for bytes held in
    // memory.
    void AdviseWillNeed(uint64_t uiOffset, uint64_t uiLength) const;

private:
    CMapping Mapping;
};

}  // namespace Larkspur
