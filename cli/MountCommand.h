// SPDX-License-Identifier: MIT
#pragma once
// larkspur-cli mount: shows the archive as a read-only folder at
// sMountPoint through FUSE 3, until it is unmounted. Returns the program's
// exit status. In a build without libfuse3 it only says that mounting is
// not available.

#include "cli/CliContext.h"

#include <string>

namespace Larkspur
{

class IArchive;
class CMountTree;

// Whether this build can mount at all.
bool MountingAvailable();

// Says on stderr which items the mount leaves out and why, one line each
// ("Left out \root\x (reason)."), for the first 100, then how many more.
void ReportLeftOut(ICliOutput &Output, const IArchive &Archive, const CMountTree &Tree);

int RunMountCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sMountPoint,
                    bool bForeground);

}  // namespace Larkspur
