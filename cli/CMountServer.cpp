// SPDX-License-Identifier: MIT
#include "cli/CMountServer.h"

#include "archive/CItemData.h"
#include "cli/CFolderReadAhead.h"
#include "window/ShownText.h"

#define FUSE_USE_VERSION 312
#include <fuse_lowlevel.h>

#include <sys/stat.h>
#include <sys/statvfs.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>
#include <vector>

namespace Larkspur
{

namespace
{

// The tree and every item's data are fixed for the life of the mount: the
// reader answers from the directory it copied at open. So the kernel may
// keep names, attributes, folder listings and file pages as long as it
// likes; asking again would only cost round trips.
constexpr double CACHE_SECONDS = 365.0 * 24 * 3600;

// writev takes at most IOV_MAX pieces, and libfuse puts its reply header
// in front of ours.
constexpr size_t MAX_REPLY_PIECES = IOV_MAX - 1;

// Where each byte of a file's data lies: worked out at a file's first read
// and, for a file that takes more than one read, kept for the life of the
// mount, so that each further read at any offset is one search. Files are
// never opened in the server (see OnOpenNothing), so this lives with the
// file's node rather than with an open file. A small file is described
// afresh at each read, which costs little. What is kept is bounded in
// bytes (KEPT_BYTES): past that, a description is made for each read and
// dropped, so the server's memory stays bounded however many files are
// read, and whatever their chains look like.
class CDataCache
{
public:
    explicit CDataCache(uint32_t uiItemCount) : Items(uiItemCount) {}
    ~CDataCache()
    {
        for (std::atomic<const CItemData *> &Item : Items)
            delete Item.load();
    }
    CDataCache(const CDataCache &) = delete;
    CDataCache &operator=(const CDataCache &) = delete;

    // Reads may come on several threads at once: whoever finishes first
    // publishes its description, the others drop theirs. Scratch holds the
    // description of a file that is not kept.
    const CItemData &Get(const IArchive &Archive, uint32_t uiDirectoryIndex, CItemData &Scratch)
    {
        std::atomic<const CItemData *> &Item = Items[uiDirectoryIndex];
        if (const CItemData *lpKnown = Item.load(std::memory_order_acquire))
            return *lpKnown;
        Scratch.DescribeItem(Archive, uiDirectoryIndex);
        if (Scratch.GetSize() <= KEPT_FROM_BYTES)
            return Scratch;
        const uint64_t uiBytes = sizeof(CItemData) + Scratch.GetRuns().size() * sizeof(SDataRun);
        if (uiKeptBytes.fetch_add(uiBytes, std::memory_order_relaxed) + uiBytes > KEPT_BYTES)
        {
            uiKeptBytes.fetch_sub(uiBytes, std::memory_order_relaxed);
            return Scratch;
        }
        auto Data = std::make_unique<CItemData>(std::move(Scratch));
        Data->ShrinkToFit();
        const CItemData *lpExpected = nullptr;
        if (Item.compare_exchange_strong(lpExpected, Data.get(), std::memory_order_acq_rel))
            return *Data.release();
        uiKeptBytes.fetch_sub(uiBytes, std::memory_order_relaxed);
        return *lpExpected;
    }

private:
    // The kernel asks for 128 KiB at a time as it reads ahead.
    static constexpr uint64_t KEPT_FROM_BYTES = 128 << 10;
    // Descriptions kept in all, at most: 2 million runs, more than the
    // 8 KiB blocks of the largest archive.
    static constexpr uint64_t KEPT_BYTES = 64u << 20;

    std::vector<std::atomic<const CItemData *>> Items;
    std::atomic<uint64_t> uiKeptBytes{0};
};

struct SServer
{
    const IArchive &Archive;
    const CMountTree &Tree;
    struct timespec ArchiveTime;  // every item's times: the archive's modification time
    uint64_t uiArchiveBytes;      // the archive's size (a VPK set's files together)
    uid_t uiOwner;                // the user who mounted
    gid_t uiGroup;
    CDataCache DataCache;
    CFolderReadAhead ReadAhead;
};

SServer &ServerOf(fuse_req_t Request)
{
    return *static_cast<SServer *>(fuse_req_userdata(Request));
}

void FillStat(const SServer &Server, uint64_t uiNode, struct stat &Stat)
{
    Stat = {};
    Stat.st_ino = uiNode;
    Stat.st_uid = Server.uiOwner;
    Stat.st_gid = Server.uiGroup;
    Stat.st_atim = Stat.st_mtim = Stat.st_ctim = Server.ArchiveTime;
    if (Server.Tree.IsFolder(uiNode))
    {
        Stat.st_mode = S_IFDIR | 0555;
        Stat.st_nlink = 2 + Server.Tree.GetSubfolderCount(uiNode);
        return;
    }
    Stat.st_mode = S_IFREG | 0444;
    Stat.st_nlink = 1;
    Stat.st_size = static_cast<off_t>(Server.Archive.GetDirectoryItemSize(CMountTree::DirectoryIndexOf(uiNode)));
    Stat.st_blocks = (Stat.st_size + 511) / 512;
}

void FillEntry(const SServer &Server, uint64_t uiNode, fuse_entry_param &Entry)
{
    Entry = {};
    Entry.ino = uiNode;
    Entry.generation = 1;
    Entry.attr_timeout = CACHE_SECONDS;
    Entry.entry_timeout = CACHE_SECONDS;
    FillStat(Server, uiNode, Entry.attr);
}

// The knobs left alone, and why: reads may already be as large as the
// kernel makes them (libfuse offers 1 MiB requests; the kernel's read-ahead
// of 128 KiB decides for buffered reads); nothing is written, so big writes
// and write-back caching do not apply; and splicing would only help replies
// from a descriptor, whose short read on an archive cut short underneath
// would tell the kernel that the file ends there instead of failing.
void OnInit(void *, fuse_conn_info *Connection)
{
    // Every listing with its attributes: `ls -l`, `cp -r` and `find` then
    // need no look-up per item.
    if ((Connection->capable & FUSE_CAP_READDIRPLUS) != 0)
        Connection->want |= FUSE_CAP_READDIRPLUS;
    Connection->want &= ~FUSE_CAP_READDIRPLUS_AUTO;
    // Nothing here ever changes, so cached pages never need dropping.
    Connection->want &= ~FUSE_CAP_AUTO_INVAL_DATA;
}

void OnLookup(fuse_req_t Request, fuse_ino_t uiParent, const char *szName)
{
    const SServer &Server = ServerOf(Request);
    if (!Server.Tree.IsShown(uiParent))
    {
        fuse_reply_err(Request, ENOENT);
        return;
    }
    if (!Server.Tree.IsFolder(uiParent))
    {
        fuse_reply_err(Request, ENOTDIR);
        return;
    }
    fuse_entry_param Entry{};
    const uint64_t uiNode = Server.Tree.Lookup(uiParent, szName);
    if (uiNode == CMountTree::NO_NODE)
    {
        // A name that is not there stays not there: the kernel may keep
        // that too (node 0 is a cached "no such file").
        Entry.entry_timeout = CACHE_SECONDS;
        fuse_reply_entry(Request, &Entry);
        return;
    }
    FillEntry(Server, uiNode, Entry);
    fuse_reply_entry(Request, &Entry);
}

void OnGetAttr(fuse_req_t Request, fuse_ino_t uiNode, fuse_file_info *)
{
    const SServer &Server = ServerOf(Request);
    if (!Server.Tree.IsShown(uiNode))
    {
        fuse_reply_err(Request, ENOENT);
        return;
    }
    struct stat Stat;
    FillStat(Server, uiNode, Stat);
    fuse_reply_attr(Request, &Stat, CACHE_SECONDS);
}

// Opening costs a round trip to the server (and closing another) for every
// file a program opens: with 10,000 small files that was most of the time
// of a `cp -r`. Nothing here needs to know about an open, so the first open
// answers ENOSYS, and from then on the kernel opens files and folders by
// itself, keeping their pages and listings cached between opens. Writing
// is refused by the kernel already: the mount is read-only.
void OnOpenNothing(fuse_req_t Request, fuse_ino_t, fuse_file_info *)
{
    fuse_reply_err(Request, ENOSYS);
}

// One listing: ".", "..", then the folder's items in the archive's order.
// An entry's offset is its position in that order plus one.
void ReplyListing(fuse_req_t Request, fuse_ino_t uiNode, size_t uiSize, off_t iOffset, bool bPlus)
{
    const SServer &Server = ServerOf(Request);
    const CMountTree &Tree = Server.Tree;
    if (!Tree.IsFolder(uiNode))
    {
        fuse_reply_err(Request, ENOTDIR);
        return;
    }
    const std::span<const uint32_t> Children = Tree.GetChildren(uiNode);
    const uint64_t uiParent = Tree.GetParent(uiNode);
    std::vector<char> Buffer(uiSize);
    size_t uiUsed = 0;
    for (uint64_t uiPosition = static_cast<uint64_t>(std::max<off_t>(iOffset, 0)); uiPosition < Children.size() + 2;
         ++uiPosition)
    {
        uint64_t uiEntryNode = uiNode;
        // Shown names are at most 255 bytes; the reader's name need not
        // end in a NUL of its own.
        char szName[MAX_FILE_NAME_BYTES + 1] = ".";
        if (uiPosition == 1)
        {
            uiEntryNode = uiParent;
            std::strcpy(szName, "..");
        }
        else if (uiPosition >= 2)
        {
            uiEntryNode = CMountTree::NodeOf(Children[uiPosition - 2]);
            const std::string_view sName = Tree.GetName(uiEntryNode);
            sName.copy(szName, MAX_FILE_NAME_BYTES);
            szName[std::min(sName.size(), MAX_FILE_NAME_BYTES)] = '\0';
        }
        const off_t iNext = static_cast<off_t>(uiPosition + 1);
        size_t uiEntrySize;
        if (bPlus)
        {
            fuse_entry_param Entry;
            FillEntry(Server, uiEntryNode, Entry);
            uiEntrySize = fuse_add_direntry_plus(Request, Buffer.data() + uiUsed, uiSize - uiUsed, szName, &Entry, iNext);
        }
        else
        {
            struct stat Stat;
            FillStat(Server, uiEntryNode, Stat);
            uiEntrySize = fuse_add_direntry(Request, Buffer.data() + uiUsed, uiSize - uiUsed, szName, &Stat, iNext);
        }
        if (uiEntrySize > uiSize - uiUsed)
            break;
        uiUsed += uiEntrySize;
    }
    fuse_reply_buf(Request, Buffer.data(), uiUsed);
}

void OnReadDir(fuse_req_t Request, fuse_ino_t uiNode, size_t uiSize, off_t iOffset, fuse_file_info *)
{
    ReplyListing(Request, uiNode, uiSize, iOffset, false);
}

void OnReadDirPlus(fuse_req_t Request, fuse_ino_t uiNode, size_t uiSize, off_t iOffset, fuse_file_info *)
{
    ReplyListing(Request, uiNode, uiSize, iOffset, true);
}

void OnRead(fuse_req_t Request, fuse_ino_t uiNode, size_t uiSize, off_t iOffset, fuse_file_info *)
{
    SServer &Server = ServerOf(Request);
    if (!Server.Tree.IsShown(uiNode) || Server.Tree.IsFolder(uiNode))
    {
        fuse_reply_err(Request, Server.Tree.IsShown(uiNode) ? EISDIR : ENOENT);
        return;
    }
    const uint32_t uiIndex = CMountTree::DirectoryIndexOf(uiNode);
    const uint64_t uiFileSize = Server.Archive.GetDirectoryItemSize(uiIndex);
    const uint64_t uiOffset = static_cast<uint64_t>(std::max<off_t>(iOffset, 0));
    if (uiOffset >= uiFileSize)
    {
        fuse_reply_buf(Request, nullptr, 0);
        return;
    }
    const uint64_t uiBytes = std::min<uint64_t>(uiSize, uiFileSize - uiOffset);
    thread_local CItemData Scratch;
    const CItemData &Data = Server.DataCache.Get(Server.Archive, uiIndex, Scratch);
    // Bytes that a damaged chain cannot supply, and those of an archive cut
    // short, are an error for the whole read: a short answer would tell the
    // kernel that the file ends there.
    if (uiOffset + uiBytes > Data.GetSize() || Server.Archive.IsCutShort())
    {
        fuse_reply_err(Request, EIO);
        return;
    }

    // The reply is written to the kernel straight from the mapping: one
    // copy, made by the kernel. If the archive is cut short in between, the
    // kernel's copy meets the lost page, fails with EFAULT instead of a
    // SIGBUS, and ends the read with EIO.
    thread_local std::vector<iovec> Pieces;
    if (Data.ViewForKernel(uiOffset, uiBytes, MAX_REPLY_PIECES, Pieces))
    {
        fuse_reply_iov(Request, Pieces.data(), static_cast<int>(Pieces.size()));
        if (uiOffset == 0)
            Server.ReadAhead.OnFileStarted(uiIndex);
        return;
    }
    // Blocks so small or so scattered that one reply would need more pieces
    // than writev takes: gathered here first, under the reader's guard.
    thread_local std::vector<uint8_t> Buffer;
    Buffer.resize(uiBytes);
    size_t uiRead = 0;
    if (!Data.Read(uiOffset, Buffer.data(), Buffer.size(), uiRead) || uiRead != uiBytes)
    {
        fuse_reply_err(Request, EIO);
        return;
    }
    fuse_reply_buf(Request, reinterpret_cast<const char *>(Buffer.data()), uiRead);
}

void OnStatFs(fuse_req_t Request, fuse_ino_t)
{
    const SServer &Server = ServerOf(Request);
    struct statvfs Stat = {};
    Stat.f_bsize = Stat.f_frsize = 4096;
    Stat.f_blocks = (Server.uiArchiveBytes + 4095) / 4096;
    Stat.f_files = Server.Archive.GetItemCount();
    Stat.f_namemax = MAX_FILE_NAME_BYTES;
    Stat.f_flag = ST_RDONLY;
    fuse_reply_statfs(Request, &Stat);
}

fuse_lowlevel_ops MakeOperations()
{
    fuse_lowlevel_ops Operations = {};
    Operations.init = OnInit;
    Operations.lookup = OnLookup;
    Operations.getattr = OnGetAttr;
    Operations.opendir = OnOpenNothing;
    Operations.readdir = OnReadDir;
    Operations.readdirplus = OnReadDirPlus;
    Operations.open = OnOpenNothing;
    Operations.read = OnRead;
    Operations.statfs = OnStatFs;
    return Operations;
}

// The session that the signals below end; set while it is served.
fuse_session *lpSignalledSession = nullptr;

// USR1, USR2 and ALRM unmount as Ctrl+C, TERM and HUP do (libfuse's own
// handlers take those three), as they stop every other command of the tool.
void OnStopSignal(int)
{
    if (lpSignalledSession != nullptr)
        fuse_session_exit(lpSignalledSession);
}

void SetStopSignals(fuse_session *lpSession)
{
    lpSignalledSession = lpSession;
    struct sigaction Action = {};
    Action.sa_handler = lpSession != nullptr ? OnStopSignal : SIG_DFL;
    sigemptyset(&Action.sa_mask);
    for (const int iSignal : {SIGUSR1, SIGUSR2, SIGALRM})
        ::sigaction(iSignal, &Action, nullptr);
}

// The session and everything it was given, undone in the reverse order.
class CSession
{
public:
    ~CSession()
    {
        if (lpSession == nullptr)
            return;
        if (bSignalHandlers)
        {
            SetStopSignals(nullptr);
            fuse_remove_signal_handlers(lpSession);
        }
        if (bMounted)
            fuse_session_unmount(lpSession);
        fuse_session_destroy(lpSession);
    }

    fuse_session *lpSession = nullptr;
    bool bSignalHandlers = false;
    bool bMounted = false;
};

}  // namespace

int ServeMount(const SCliContext &Context, const IArchive &Archive, const CMountTree &Tree,
               const SMountOptions &Options)
{
    // The file opened: a GCF, or a VPK set's directory file.
    struct stat ArchiveStat = {};
    ::stat(Archive.GetFileName().c_str(), &ArchiveStat);
    SServer Server{Archive,
                   Tree,
                   ArchiveStat.st_mtim,
                   Archive.GetArchiveSummary().uiSize,
                   ::getuid(),
                   ::getgid(),
                   CDataCache(Archive.GetItemCount()),
                   CFolderReadAhead(Archive, Tree)};

    // Read-only for the kernel too, which checks the modes itself; the
    // archive's path shows as the mount's source. auto_unmount: should this
    // process ever die without unmounting (killed, out of memory), the
    // helper fusermount3 unmounts, so no dead mount stays behind.
    char *szOptions = nullptr;
    std::error_code Error;
    const std::string sSource = "fsname=" + std::filesystem::absolute(Options.sArchive, Error).string();
    fuse_opt_add_opt(&szOptions, "ro,default_permissions,auto_unmount,subtype=larkspur");
    fuse_opt_add_opt_escaped(&szOptions, sSource.c_str());
    fuse_args Arguments = FUSE_ARGS_INIT(0, nullptr);
    fuse_opt_add_arg(&Arguments, "larkspur-cli");
    fuse_opt_add_arg(&Arguments, "-o");
    fuse_opt_add_arg(&Arguments, szOptions);
    std::free(szOptions);

    const fuse_lowlevel_ops Operations = MakeOperations();
    CSession Session;
    Session.lpSession = fuse_session_new(&Arguments, &Operations, sizeof Operations, &Server);
    fuse_opt_free_args(&Arguments);
    if (Session.lpSession == nullptr)
    {
        Context.Output.WriteError("Could not mount " + ShownText(Options.sArchive) + ".\n");
        return CLI_EXIT_FAILED;
    }
    Session.bSignalHandlers = fuse_set_signal_handlers(Session.lpSession) == 0;
    if (Session.bSignalHandlers)
        SetStopSignals(Session.lpSession);
    // The server leaves the current folder when it detaches, and unmounts
    // by path when it is stopped: the path must not depend on where it is.
    const std::string sMountPoint = std::filesystem::canonical(Options.sMountPoint, Error).string();
    if (Error || fuse_session_mount(Session.lpSession, sMountPoint.c_str()) != 0)
    {
        Context.Output.WriteError("Could not mount " + ShownText(Options.sArchive) + " on " + ShownText(Options.sMountPoint) +
                                  ".\n");
        return CLI_EXIT_FAILED;
    }
    Session.bMounted = true;

    std::fflush(nullptr);
    fuse_daemonize(Options.bForeground ? 1 : 0);
    Server.ReadAhead.Start(Session.lpSession);

    // Several readers, and the kernel's read-ahead, keep more than one
    // request in flight; but a worker more than there are cores only adds a
    // wake-up on a busy core to each round trip (measured: 4 workers on 2
    // cores read 10,000 files slower than 2).
    fuse_loop_config *lpConfig = fuse_loop_cfg_create();
    fuse_loop_cfg_set_max_threads(lpConfig, std::max(2u, std::thread::hardware_concurrency()));
    // The loop ends with 0 when the file system was unmounted, with the
    // signal's number for Ctrl+C, SIGTERM or SIGHUP (the usual ways to stop
    // a mount in the foreground), and below 0 when the device failed.
    const int iLoop = fuse_session_loop_mt(Session.lpSession, lpConfig);
    fuse_loop_cfg_destroy(lpConfig);
    Server.ReadAhead.Stop();
    return iLoop >= 0 ? CLI_EXIT_OK : CLI_EXIT_FAILED;
}

}  // namespace Larkspur
