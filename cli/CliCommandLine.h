// SPDX-License-Identifier: MIT
#pragma once
// larkspur-cli's command line: the subcommands and their arguments, parsed
// and run. Its output is meant for scripts as much as for people: the lines
// are stable, and item names are written as the archive's bytes.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

// Runs the command that Arguments (the words after the program's name) name
// and returns the program's exit status. Help and version go to stdout with
// status 0; any other parse error goes to stderr with CLI_EXIT_USAGE.
int RunCommandLine(const SCliContext &Context, const std::vector<std::string> &Arguments);

}  // namespace Larkspur
