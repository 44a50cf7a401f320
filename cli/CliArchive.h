#pragma once
// What the commands of larkspur-cli share: opening an archive with the
// window's failure text, and finding an item by its location.

#include "cli/CliContext.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace Larkspur
{

class CGCF;

// Opens the archive at sPath, its dump (when refused) going to the context's
// dump folder. On failure writes to stderr
// "Could not open:\n" + path + "\n\nError:\n" + reason, where the reason is
// "File does not exist." when no file is at the path and the reader's own
// message otherwise; the caller then exits with CLI_EXIT_USAGE.
bool OpenArchiveForCli(const SCliContext &Context, CGCF &GCFFile, const std::string &sPath);

// Finds an item by its location: "root\maps\x.bsp", "\root\maps\x.bsp" or
// "/root/maps/x.bsp" ("\" and "/" both separate; "root" alone is the root).
// Names compare exactly, byte for byte. False when no such item exists.
bool ResolveItem(const CGCF &GCFFile, std::string_view sItem, uint32_t &uiIndex);

// The item's location as the properties dialog shows it: "\root\maps\x.bsp".
std::string ItemLocation(const CGCF &GCFFile, uint32_t uiDirectoryIndex);

}  // namespace Larkspur
