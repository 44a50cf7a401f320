// SPDX-License-Identifier: MIT
#pragma once
// Read-ahead for an archive that is not in the page cache. Written file by
// file, the data of a cold archive would be read one fault (or one copy) at
// a time, each waiting for the disk. Before the files of a folder are
// written, their data is announced to the kernel (posix_fadvise WILLNEED),
// adjacent runs as one, so the disk gets the reads together and in the
// order it likes.
//
// A warm archive needs none of it: at the start, the archive's file tells
// which of its pages are resident, and runs that lie wholly in resident pages
// are not announced. When nearly all of the archive is resident the
// read-ahead is off and costs nothing per folder. Both the look and the
// announcements are operations of the runs' source (CDataSource); each of
// the archive's files is looked at (a VPK set's directory file and data
// files alike).

#include "archive/DataRuns.h"
#include "archive/IArchive.h"

#include <cstdint>
#include <map>
#include <vector>

namespace Larkspur
{

class CReadAhead
{
public:
    explicit CReadAhead(const IArchive &Archive) : Archive(Archive) {}
    virtual ~CReadAhead() = default;

    // Looks at which pages of the archive's files are resident now.
    void Start();
    // Announces the data of the files among Children (directory indexes), at
    // most READ_AHEAD_BYTES of it.
    void AdviseFiles(const std::vector<uint32_t> &Children);
    void Stop();
    // True while a file of the archive was found out of the cache at the start.
    bool Active() const { return bActive; }

    static constexpr uint64_t READ_AHEAD_BYTES = 32u << 20;
    // Runs this close are read as one, gap included.
    static constexpr uint64_t MERGE_GAP_BYTES = 256u << 10;
    // Announced only when the stretches are this long on average.
    static constexpr uint64_t SMALLEST_STRETCH_BYTES = 128u << 10;

protected:
    // Announces one stretch of a source to the kernel (a test records it
    // instead).
    virtual void Advise(const CDataSource &Source, uint64_t uiOffset, uint64_t uiLength);

private:
    // A stretch of a source to announce.
    struct SWanted
    {
        const CDataSource *lpSource;
        uint64_t uiOffset;
        uint64_t uiLength;
    };
    bool IsResident(const SDataRun &Run, uint64_t uiLength) const;
    void MergeWanted();

    const IArchive &Archive;
    bool bActive = false;
    uint64_t uiPageSize = 4096;
    // One byte a page of each file found out of the cache; a file that is
    // (nearly) all in it, or whose pages cannot be told, is not kept.
    std::map<const CDataSource *, std::vector<unsigned char>> ColdFiles;
    std::vector<SWanted> Wanted;
};

}  // namespace Larkspur
