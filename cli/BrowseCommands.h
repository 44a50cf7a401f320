// SPDX-License-Identifier: MIT
#pragma once
// The commands of larkspur-cli that read an archive without writing items:
// info, list, dump and find. Each returns the program's exit status.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

// bJson: one JSON object with the same fields, numbers as numbers.
int RunInfoCommand(const SCliContext &Context, const std::string &sArchive, bool bJson = false);

// How list writes each item: location, size text and type separated by
// tabs; the same with file sizes in bytes; or JSON Lines, one object per
// item ({"path", "type": "file" or "folder", "size" of a file in bytes,
// "items" of a folder, "flags", "data" of a file: whether it has data}).
enum class EListForm
{
    Text,
    Bytes,
    Json,
};

// The items (the root when none is given) and everything below each.
int RunListCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                   EListForm eForm = EListForm::Text);
// Writes dump.txt into the context's dump folder.
int RunDumpCommand(const SCliContext &Context, const std::string &sArchive);
// The locations of the matches on stdout, the line that counts them on
// stderr; CLI_EXIT_FAILED when nothing matched, as grep does.
int RunFindCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sText);

}  // namespace Larkspur
