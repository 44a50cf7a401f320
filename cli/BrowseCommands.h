#pragma once
// The commands of larkspur-cli that read an archive without writing items:
// info, list, dump and find. Each returns the program's exit status.

#include <optional>
#include <string>

namespace Larkspur
{

int RunInfoCommand(const std::string &sArchive);
// The item (the root when none is given) and everything below it.
int RunListCommand(const std::string &sArchive, const std::optional<std::string> &sItem);
int RunDumpCommand(const std::string &sArchive);
int RunFindCommand(const std::string &sArchive, const std::string &sText);

}  // namespace Larkspur
