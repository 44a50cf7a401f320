// SPDX-License-Identifier: MIT
#include "cli/CFolderReadAhead.h"

#include "archive/CItemData.h"

#define FUSE_USE_VERSION 312
#include <fuse_lowlevel.h>

#include <poll.h>

#include <cerrno>
#include <cstdlib>

namespace Larkspur
{

void CFolderReadAhead::Start(fuse_session *lpNewSession)
{
    lpSession = lpNewSession;
    Storer = std::thread([this] { Serve(); });
}

// A store may be waiting for a page that a read holds locked, and the
// loop's workers may already be gone (Ctrl+C ends the loop while requests
// are pending): requests are answered here until the storing thread ends,
// so that it always can.
void CFolderReadAhead::Stop()
{
    std::unique_lock Guard(Lock);
    bStopping = true;
    Wake.notify_all();
    while (Storer.joinable() && !bStopped)
    {
        Guard.unlock();
        pollfd Device{fuse_session_fd(lpSession), POLLIN, 0};
        if (::poll(&Device, 1, 10) > 0)
        {
            fuse_buf Request = {};
            if (fuse_session_receive_buf(lpSession, &Request) > 0)
                fuse_session_process_buf(lpSession, &Request);
            std::free(Request.mem);
        }
        Guard.lock();
    }
    Guard.unlock();
    if (Storer.joinable())
        Storer.join();
}

bool CFolderReadAhead::IsStored(uint32_t uiDirectoryIndex) const
{
    if (Tree.IsFolder(CMountTree::NodeOf(uiDirectoryIndex)))
        return false;
    const uint64_t uiSize = Archive.GetDirectoryItemSize(uiDirectoryIndex);
    return uiSize > 0 && uiSize <= STORED_FILE_MAX;
}

// Worked out at the first read rather than at mount, so that mounting a
// large archive stays quick.
void CFolderReadAhead::FindPlaces()
{
    Places.assign(Archive.GetItemCount(), 0);
    for (uint32_t uiIndex = 0; uiIndex < Archive.GetItemCount(); ++uiIndex)
    {
        const uint64_t uiNode = CMountTree::NodeOf(uiIndex);
        if (!Tree.IsShown(uiNode) || !Tree.IsFolder(uiNode))
            continue;
        const std::span<const uint32_t> Children = Tree.GetChildren(uiNode);
        for (uint32_t uiPlace = 0; uiPlace < Children.size(); ++uiPlace)
            Places[Children[uiPlace]] = uiPlace;
    }
}

void CFolderReadAhead::OnFileStarted(uint32_t uiDirectoryIndex)
{
    if (lpSession == nullptr)
        return;
    std::call_once(PlacesFound, [this] { FindPlaces(); });
    const uint64_t uiFolder = Tree.GetParent(CMountTree::NodeOf(uiDirectoryIndex));
    const std::span<const uint32_t> Siblings = Tree.GetChildren(uiFolder);
    const uint32_t uiPlace = Places[uiDirectoryIndex];
    {
        std::lock_guard Guard(Lock);
        SFolderPlace &Folder = Folders[uiFolder];
        if (bRefused || bStopping || uiPlace < Folder.uiAskAt || Waiting.size() >= MAX_WAITING)
            return;
        SBatch Batch{uiFolder, std::max(Folder.uiNext, uiPlace + 1), 0};
        uint64_t uiBytes = 0;
        uint32_t uiEnd = Batch.uiFirst, uiAskAt = Batch.uiFirst;
        for (; uiEnd < Siblings.size() && uiBytes < AHEAD_BYTES; ++uiEnd)
        {
            if (IsStored(Siblings[uiEnd]))
                uiBytes += Archive.GetDirectoryItemSize(Siblings[uiEnd]);
            if (uiBytes < AHEAD_BYTES / 2)
                uiAskAt = uiEnd;
        }
        if (uiBytes == 0)
            return;
        Batch.uiEnd = Folder.uiNext = uiEnd;
        Folder.uiAskAt = uiAskAt;
        Waiting.push_back(Batch);
    }
    Wake.notify_one();
}

void CFolderReadAhead::Serve()
{
    std::unique_lock Guard(Lock);
    for (;;)
    {
        Wake.wait(Guard, [this] { return bStopping || !Waiting.empty(); });
        if (bStopping)
        {
            bStopped = true;
            return;
        }
        const SBatch Batch = Waiting.front();
        Waiting.pop_front();
        Guard.unlock();
        const std::span<const uint32_t> Siblings = Tree.GetChildren(Batch.uiFolder);
        bool bTaken = true;
        for (uint32_t uiPlace = Batch.uiFirst; uiPlace < Batch.uiEnd && bTaken; ++uiPlace)
            if (IsStored(Siblings[uiPlace]))
                bTaken = StoreFile(Siblings[uiPlace]);
        Guard.lock();
        bRefused = bRefused || !bTaken;
    }
}

// A file whose data the archive does not fully hold is left to its reads,
// which fail with EIO. The kernel copies each run out of the mapping
// itself: should the archive be cut short meanwhile, its copy fails with
// EFAULT instead of this process taking a SIGBUS, and only the pages
// copied whole are kept.
bool CFolderReadAhead::StoreFile(uint32_t uiDirectoryIndex)
{
    const uint64_t uiSize = Archive.GetDirectoryItemSize(uiDirectoryIndex);
    if (Archive.IsCutShort())
        return true;
    CItemData Data;
    Data.DescribeItem(Archive, uiDirectoryIndex);
    if (Data.GetSize() < uiSize)
        return true;
    for (const SDataRun &Run : Data.GetRuns())
    {
        iovec View;
        if (!Run.lpSource->KernelView(Run.uiFileOffset, Run.uiLength, View))
            return true;
        fuse_bufvec Bytes = FUSE_BUFVEC_INIT(View.iov_len);
        Bytes.buf[0].mem = View.iov_base;
        const int iResult = fuse_lowlevel_notify_store(lpSession, CMountTree::NodeOf(uiDirectoryIndex),
                                                       static_cast<off_t>(Run.uiItemOffset), &Bytes, {});
        // ENOENT: the kernel does not hold the file (it was never listed,
        // or it was forgotten); its reads come as usual.
        if (iResult == -ENOSYS)
            return false;
        if (iResult != 0)
            return true;
    }
    return true;
}

}  // namespace Larkspur
