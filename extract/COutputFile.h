#pragma once
// One extracted file being written. Its bytes are copy steps that lie in the
// mapped archive; steps that follow each other in the archive are merged into
// runs, runs are gathered and handed to the kernel in few calls, straight from
// the mapping (no copy in between). A long run goes through copy_file_range
// from a descriptor of the archive when one is given, which keeps the bytes
// inside the kernel. Every result is checked: a short write goes on with the
// rest, a failed one fails the file, and so does a failed close.

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>

// Why a target could not be opened.
enum class EOpenOutput
{
    Opened,
    Failed,    // missing folder, no permission, a folder, a link, a FIFO, ...
    IsArchive, // the target is the archive being read: truncating it would
               // pull the mapped bytes out from under the reader
};

// Pages of the mapping that writes have read from stay mapped into the
// process, and count in its resident size, although extraction never needs
// them again: every RELEASE_BYTES written from the mapping, the process's
// view of the whole file is dropped. The pages stay in the page cache and
// come back, without a read from disk, the next time they are touched. A
// read fault maps the pages around the one asked for too, so scattered
// blocks map several times the bytes written: the step is kept small.
class CMappingRelease
{
public:
    // lpMapping null: nothing is released. Only a mapped file may be given:
    // for bytes held in memory the same call would throw the bytes away.
    // uiSinceRelease counts the bytes written since the last release; it
    // lives with the caller, so that the count goes on across objects.
    CMappingRelease(const uint8_t *lpMapping, uint64_t uiMappingSize, uint64_t &uiSinceRelease);
    void Note(uint64_t uiBytesWritten);

    static constexpr uint64_t RELEASE_BYTES = 8u << 20;

private:
    const uint8_t *lpMapping;
    uint64_t uiMappingSize;
    uint64_t &uiSinceRelease;
};

class COutputFile
{
public:
    // lpBase is the first byte of the mapped archive; copy steps are given as
    // offsets from it. iArchiveDescriptor, when not -1, reads the same file.
    // lpRelease, when given, hears of every byte written from the mapping.
    COutputFile(const uint8_t *lpBase, int iArchiveDescriptor, CMappingRelease *lpRelease = nullptr);
    ~COutputFile();
    COutputFile(const COutputFile &) = delete;
    COutputFile &operator=(const COutputFile &) = delete;

    // Opens sPath for writing, creating it or emptying an existing file. Only
    // a regular file is written: a symbolic link at the target path is not
    // followed and a FIFO or device is refused, so that the open never blocks
    // and never writes anywhere but the chosen folder. The archive's own file
    // (same device and inode; both 0 for an archive held in memory) is
    // refused before anything is truncated.
    EOpenOutput Open(const std::string &sPath, uint64_t uiArchiveDevice, uint64_t uiArchiveInode);

    // Queues the uiLength bytes at lpBase + uiOffset after what was queued
    // before. False when a write failed (the file then holds what was written
    // before the failure).
    bool Append(uint64_t uiOffset, uint32_t uiLength);
    // Writes everything queued. False when a write failed.
    bool Flush();
    // Flushes and closes; false when either failed. Closing a closed file is
    // true.
    bool Close();

    // True once the kernel refused to copy between the archive's file system
    // and the target's (or has no such copy): the caller stops offering the
    // archive's descriptor, and the bytes go from the mapping instead.
    bool CopyRangeRefused() const { return bCopyRangeRefused; }

    // The copy steps are gathered up to this many separate runs ...
    static constexpr size_t MAX_PENDING_RUNS = 256;
    // ... or this many bytes before they are written.
    static constexpr uint64_t FLUSH_BYTES = 1u << 20;
    // A run at least this long is copied inside the kernel when it can be.
    static constexpr uint64_t COPY_RANGE_MIN = 64u << 10;

private:
    bool WriteGathered(size_t uiFirst, size_t uiEnd);
    bool CopyRun(const iovec &Run);
    bool WriteAll(const uint8_t *lpData, uint64_t uiLength);

    const uint8_t *lpBase;
    int iArchiveDescriptor;
    CMappingRelease *lpRelease;
    int iDescriptor = -1;
    iovec Pending[MAX_PENDING_RUNS];
    size_t uiPendingRuns = 0;
    uint64_t uiPendingBytes = 0;
    bool bCopyRangeRefused = false;
};
