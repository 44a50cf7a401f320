// SPDX-License-Identifier: MIT
#pragma once
// The commands of larkspur-cli that check archives of either format: verify
// one against what it records of itself, and diff two against each other.
// Each returns the program's exit status: 0 when everything holds (or the
// two are alike), 1 when something failed (or they differ), 2 when an
// archive cannot be opened or an item is not found.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

// Checks every file below the items (the whole archive when none are
// named), in the folder tree's order, writing one line on stdout per
// failure and last "Verified N files: M failed.":
// - a GCF file's chains must walk to its recorded size without damage
//   (its checksum structures are not read);
// - a VPK file's data must be there whole and match the CRC32 of its entry
//   ("root/maps/a.bsp: CRC mismatch (stored 1a2b3c4d, computed 5e6f7a8b)");
//   the files of a missing data file make one line ("missing data file
//   pak01_003.vpk (12 files)");
// - a version 2 set's tree and archive MD5 section must match the MD5s it
//   records for them and, when the whole set is verified, each chunk of its
//   data files its record ("chunk 12 of pak01_001.vpk: MD5 mismatch").
int RunVerifyCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items);

// Compares the files of two archives by their paths as extract writes them
// ("root/maps/a.bsp"), so that a GCF and a VPK set holding the same files
// are alike. One line per path, sorted by its bytes: "- path" only in the
// first, "+ path" only in the second, "M path" in both with other contents
// (another size, another stored CRC32 where both record one, else other
// bytes). Folders are not listed. bStat prints only
// "N only in A, M only in B, K changed".
int RunDiffCommand(const SCliContext &Context, const std::string &sFirst, const std::string &sSecond, bool bStat);

}  // namespace Larkspur
