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

// Whether this build can mount at all.
bool MountingAvailable();

int RunMountCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sMountPoint,
                    bool bForeground);

}  // namespace Larkspur
