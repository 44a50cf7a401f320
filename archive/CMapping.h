// SPDX-License-Identifier: MIT
#pragma once
// The platform layer of the reader: a read-only view of a whole file, and a
// descriptor of the file kept open beside it (to see whether the file has
// been cut short since, and for copies the kernel makes file to file).

#include <cstddef>
#include <cstdint>

namespace Larkspur
{

struct CMapping
{
    const uint8_t *lpData = nullptr;
    uint64_t uiSize = 0;     // the real size of the file (or of the borrowed bytes)
    uint64_t uiDevice = 0;   // identity of the mapped file; 0, 0 for borrowed bytes
    uint64_t uiInode = 0;
    bool bOwned = false;     // true when lpData is our own mmap
    int iDescriptor = -1;    // the mapped file, read-only; -1 for borrowed bytes

    CMapping() = default;
    ~CMapping() { Unmap(); }
    CMapping(const CMapping &) = delete;
    CMapping &operator=(const CMapping &) = delete;

    // Maps the whole file read-only. False for a missing, unreadable or empty
    // file, or one that cannot be mapped.
    bool Map(const char *szFileName);
    // Views bytes that the caller keeps alive; nothing is copied.
    void Borrow(const void *lpBytes, size_t uiBytes);
    // Releases the view and the descriptor. False when nothing was mapped or
    // the platform refused.
    bool Unmap();
    // Lets go of the resident pages that lie wholly inside the given bytes of
    // our own view (a part copied out, not to be read again soon): they stay
    // in the page cache and come back on the next touch, but no longer count
    // as this process's memory. Borrowed bytes are left alone.
    void Release(const void *lpStart, uint64_t uiLength) const;
    // True when the mapped file is now shorter than the view: reading its
    // last pages would raise SIGBUS.
    bool IsCutShort() const;
};

}  // namespace Larkspur
