// SPDX-License-Identifier: MIT
#pragma once
// One extracted file being written. Its bytes are the runs of the item's data
// (DataRuns.h), each read through its source. Long runs are copied by the
// kernel from the source file to the target; short ones are gathered and
// handed to the kernel in few calls, straight from the mapping (no copy in
// between). Every result is checked: a short write goes on with the rest, a
// failed one fails the file, and so does a failed close. Should a source be
// cut short under its mapping, the kernel reports the lost pages as a failed
// write (a bad address), or a copy that meets the file's end early:
// EOutput::SourceUnreadable tells that failure from a failure of the target.
//
// Measured on 230 MiB in 12,000 files (chains in order and scattered, in
// page cache): gathered writes for every run and copies of runs of 64 KiB
// and more were within a few percent of each other, and both well ahead of
// a copy of every run (one 8 KiB block per call when scattered).

#include "archive/DataRuns.h"
#include "archive/IArchive.h"

#include <sys/uio.h>

#include <cstddef>
#include <cstdint>
#include <string>

namespace Larkspur
{

// What became of a step of writing a file: opening it, appending, flushing
// or closing.
enum class EOutput
{
    Done,
    Failed,            // the system's reason: missing folder, no permission, a
                       // folder, a link, a FIFO, a full disk, ...
    SourceUnreadable,  // the bytes to write could not be read from the
                       // archive's file (cut short under its mapping)
    IsArchive,         // open: the target is the archive being read; truncating
                       // it would pull the mapped bytes out from under the reader
    Exists,            // open: something stands at the name and existing files
                       // are kept
};

struct SOutputResult
{
    EOutput eOutput = EOutput::Done;
    int iSystemError = 0;  // the system's reason for Failed (an errno value); 0 when it gave none

    explicit operator bool() const { return eOutput == EOutput::Done; }
};

class COutputFile
{
public:
    COutputFile() = default;
    ~COutputFile();
    COutputFile(const COutputFile &) = delete;
    COutputFile &operator=(const COutputFile &) = delete;

    // Creates the file sName in the folder open as iFolder. An existing
    // regular file of that name that we may write is replaced: removed, then
    // made anew with the usual mode, so that its other names (hard links)
    // and its mode bits (setuid) stay with the old file and nothing is
    // written in place. A
    // link, FIFO, device or folder at the name is refused and left alone,
    // so the open never blocks and never writes anywhere but that folder.
    // A file of the archive itself (IArchive::IsArchiveFile: a GCF, a VPK
    // set's directory file or a data file) is refused before anything is
    // removed. With bReplaceExisting false, whatever stands at the name is
    // left alone (Exists).
    SOutputResult OpenAt(int iFolder, const std::string &sName, const IArchive &Archive, bool bReplaceExisting = true);

    // Queues the run's bytes after what was queued before. A failed write
    // leaves the file holding what was written before the failure.
    SOutputResult Append(const SDataRun &Run);
    // Writes everything queued.
    SOutputResult Flush();
    // Flushes and closes: the first of the two that failed. Closing a closed
    // file is Done.
    SOutputResult Close();

    // The copy steps are gathered up to this many separate runs ...
    static constexpr size_t MAX_PENDING_RUNS = 256;
    // ... or this many bytes before they are written.
    static constexpr uint64_t FLUSH_BYTES = 1u << 20;
    // A run this long is copied by the kernel from its source file
    // (copy_file_range), page cache to page cache, without faulting the
    // mapping in; shorter runs are gathered from the mapping.
    static constexpr uint64_t COPY_RUN_BYTES = 64u << 10;

private:
    // Until the file systems turn out not to copy between them.
    bool bCopyInKernel = true;
    int iDescriptor = -1;
    iovec Pending[MAX_PENDING_RUNS];
    size_t uiPendingRuns = 0;
    uint64_t uiPendingBytes = 0;
};

}  // namespace Larkspur
