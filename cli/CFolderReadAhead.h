// SPDX-License-Identifier: MIT
#pragma once
// Read-ahead across the files of a folder. A program that reads a folder's
// files one after another (cp -r, tar, rsync, sha256sum *) waits for one
// round trip to the server per file: the kernel reads ahead within a file,
// never into the next one, and with thousands of small files those waits
// were most of the time of a `cp -r` out of a mount. So when a file's data
// is first asked for, the small files that follow it in its folder are
// stored straight into the kernel's page cache, a few MiB ahead of the
// reader; their reads are then answered by the kernel alone.
//
// The stores are made by a thread of their own, never by the workers that
// answer requests: a store waits for any page that a read holds locked, and
// only a free worker can answer that read.

#include "archive/IArchive.h"
#include "cli/CMountTree.h"

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

struct fuse_session;

namespace Larkspur
{

class CFolderReadAhead
{
public:
    CFolderReadAhead(const IArchive &Archive, const CMountTree &Tree) : Archive(Archive), Tree(Tree) {}
    ~CFolderReadAhead() { Stop(); }
    CFolderReadAhead(const CFolderReadAhead &) = delete;
    CFolderReadAhead &operator=(const CFolderReadAhead &) = delete;

    // Starts the storing thread once the server runs in its final process
    // (detaching forks, and a thread does not follow a fork).
    void Start(fuse_session *lpSession);
    // Ends the storing thread; stores not yet made are dropped.
    void Stop();

    // The first read of a file (a read at offset 0) was answered.
    void OnFileStarted(uint32_t uiDirectoryIndex);

private:
    // Files up to this size are stored whole; larger ones are read as usual,
    // where the kernel's read-ahead keeps the server busy anyway.
    static constexpr uint64_t STORED_FILE_MAX = 1 << 20;
    // How far ahead of the reader a folder's files are stored. 8 MiB and
    // 32 MiB measured the same for cp -r; less costs less for a single read.
    static constexpr uint64_t AHEAD_BYTES = 8 << 20;
    // Batches waiting for the storing thread, at most: a reader faster than
    // the stores gains nothing from more.
    static constexpr size_t MAX_WAITING = 4;

    // The next place in a folder to store from, and the place whose first
    // read asks for the next batch (halfway through the last one).
    struct SFolderPlace
    {
        uint32_t uiNext = 0;
        uint32_t uiAskAt = 0;
    };
    struct SBatch
    {
        uint64_t uiFolder;
        uint32_t uiFirst;
        uint32_t uiEnd;
    };

    bool IsStored(uint32_t uiDirectoryIndex) const;
    void FindPlaces();
    void Serve();
    // False when the kernel takes no stores at all.
    bool StoreFile(uint32_t uiDirectoryIndex);

    const IArchive &Archive;
    const CMountTree &Tree;
    fuse_session *lpSession = nullptr;
    std::once_flag PlacesFound;
    std::vector<uint32_t> Places;  // per directory index: its place among its folder's items

    std::mutex Lock;  // guards everything below
    std::condition_variable Wake;
    std::unordered_map<uint64_t, SFolderPlace> Folders;
    std::deque<SBatch> Waiting;
    bool bStopping = false;
    bool bStopped = false;  // the storing thread has ended
    bool bRefused = false;  // the kernel takes no stores
    std::thread Storer;
};

}  // namespace Larkspur
