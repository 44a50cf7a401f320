// SPDX-License-Identifier: MIT
#pragma once
// The commands of larkspur-cli that read an archive without writing items:
// info, list, dump and find. Each returns the program's exit status.

#include "cli/CliContext.h"

#include <optional>
#include <string>

namespace Larkspur
{

int RunInfoCommand(const SCliContext &Context, const std::string &sArchive);
// The item (the root when none is given) and everything below it.
int RunListCommand(const SCliContext &Context, const std::string &sArchive, const std::optional<std::string> &sItem);
// Writes dump.txt into the context's dump folder.
int RunDumpCommand(const SCliContext &Context, const std::string &sArchive);
int RunFindCommand(const SCliContext &Context, const std::string &sArchive, const std::string &sText);

}  // namespace Larkspur
