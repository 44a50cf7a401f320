// SPDX-License-Identifier: MIT
#pragma once
// The FUSE 3 server behind larkspur-cli mount: serves an open archive's
// tree (CMountTree) as a read-only file system until it is unmounted.
// Built only where libfuse3 is there.

#include "archive/IArchive.h"
#include "cli/CliContext.h"
#include "cli/CMountTree.h"

#include <string>

namespace Larkspur
{

struct SMountOptions
{
    std::string sArchive;     // the mount's source, as `mount` and `df` show it
    std::string sMountPoint;
    bool bForeground = false; // stay attached to the terminal; Ctrl+C unmounts
};

// Mounts the tree on the mount point, detaches from the terminal unless
// asked to stay, serves until the file system is unmounted (fusermount3 -u,
// umount, or Ctrl+C / SIGTERM / SIGHUP), and returns the exit status. A
// mount that fails is reported on stderr before anything detaches.
int ServeMount(const SCliContext &Context, const IArchive &Archive, const CMountTree &Tree,
               const SMountOptions &Options);

}  // namespace Larkspur
