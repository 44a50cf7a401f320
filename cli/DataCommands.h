// SPDX-License-Identifier: MIT
#pragma once
// The commands of larkspur-cli that read item data to standard output: hash
// and cat. Each returns the program's exit status.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

// One line per file below the items (the whole archive when none are
// named), in the form sha256sum prints and checks: the hash, two blanks and
// the file's path as "extract -o DIR" with the same items writes it below
// DIR ("root/maps/x.bsp"). A path holding a backslash, a line feed or a
// carriage return is written escaped, with a backslash before the line, as
// sha256sum does. bCrc32 prints CRC32 (8 hexadecimal digits) instead.
// Exactly the files that extract writes whole and sha256sum -c can open are
// listed; the others (unsafe names, a second item of a name in a folder, no
// data, damaged data or data of another item, a path of 4,096 bytes or
// more) get a line on stderr instead, and the status 1.
int RunHashCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                   bool bCrc32);

// Writes the data of one file to stdout. A damaged file writes the bytes
// before the damage, then its error, with the status 1.
int RunCatCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sItem);

// The path as sha256sum writes it: a path with "\", a line feed or a
// carriage return comes back as "\\", "\n" and "\r", and bEscaped is set
// (the line then begins with a backslash).
std::string ChecksumPath(std::string_view sPath, bool &bEscaped);

}  // namespace Larkspur
