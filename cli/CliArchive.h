#pragma once
// What the commands of larkspur-cli share: opening an archive with the
// window's failure text, finding an item by its location, and byte-exact
// output (item names are the archive's bytes, written unchanged).

#include <cstdint>
#include <string>
#include <string_view>

namespace Larkspur
{

class CGCF;

// Exit statuses. Scripts tell a refused archive or a bad command line (2)
// from a command that ran and failed part of the way (1).
inline constexpr int CLI_EXIT_OK = 0;
inline constexpr int CLI_EXIT_FAILED = 1;  // damaged directory, unknown item, items not written
inline constexpr int CLI_EXIT_USAGE = 2;   // bad arguments, or the archive could not be opened

// Opens the archive at sPath. On failure writes to stderr
// "Could not open:\n" + path + "\n\nError:\n" + reason, where the reason is
// "File does not exist." when no file is at the path and the reader's own
// message otherwise; the caller then exits with CLI_EXIT_USAGE.
bool OpenArchiveForCli(CGCF &GCFFile, const std::string &sPath);

// Finds an item by its location: "root\maps\x.bsp", "\root\maps\x.bsp" or
// "/root/maps/x.bsp" ("\" and "/" both separate; "root" alone is the root).
// Names compare exactly, byte for byte. False when no such item exists.
bool ResolveItem(const CGCF &GCFFile, std::string_view sItem, uint32_t &uiIndex);

// The item's location as the properties dialog shows it: "\root\maps\x.bsp".
std::string ItemLocation(const CGCF &GCFFile, uint32_t uiDirectoryIndex);

// Bytes to stdout or stderr, unchanged.
void WriteOut(std::string_view sText);
void WriteError(std::string_view sText);

}  // namespace Larkspur
