// SPDX-License-Identifier: MIT
#pragma once
// larkspur-cli extract: writes the named items (the whole archive when none
// are named) into sOutputDirectory, made with its parents when missing.
// Returns the program's exit status.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

int RunExtractCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                      const std::string &sOutputDirectory);

}  // namespace Larkspur
