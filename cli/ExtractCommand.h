// SPDX-License-Identifier: MIT
#pragma once
// larkspur-cli extract: writes the named items (the whole archive when none
// are named; shell patterns name every item they match) into
// sOutputDirectory, made with its parents when missing. Lines of success go
// to stdout, failures to stderr with the system's reason, then a count of
// them. Returns the program's exit status.

#include "cli/CliContext.h"

#include <string>
#include <vector>

namespace Larkspur
{

struct SExtractOptions
{
    bool bKeepExisting = false;  // leave what stands at a file's path ("Kept ...")
    bool bQuiet = false;         // no "Created", "Wrote" or "Kept" lines
};

int RunExtractCommand(const SCliContext &Context, const std::string &sArchive, const std::vector<std::string> &Items,
                      const std::string &sOutputDirectory, const SExtractOptions &Options = {});

}  // namespace Larkspur
