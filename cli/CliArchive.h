// SPDX-License-Identifier: MIT
#pragma once
// What the commands of larkspur-cli share: opening an archive with the
// window's failure text, and finding an item by its location.

#include "cli/CliContext.h"

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace Larkspur
{

class CGCF;

// Opens the archive at sPath. On failure writes to stderr
// "Could not open:\n" + path + "\n\nError:\n" + reason, where the reason is
// "File does not exist." when no file is at the path and the reader's own
// message otherwise; the caller then exits with CLI_EXIT_USAGE. Only the dump
// command (bDump) leaves a refused archive's dump.txt, in the context's dump
// folder: no other command writes a file it was not asked for.
bool OpenArchiveForCli(const SCliContext &Context, CGCF &GCFFile, const std::string &sPath, bool bDump = false);

// Finds an item by its location: "root\maps\x.bsp", "\root\maps\x.bsp" or
// "/root/maps/x.bsp" ("\" and "/" both separate; "root" alone is the root).
// Names compare exactly, byte for byte. False when no such item exists.
bool ResolveItem(const CGCF &GCFFile, std::string_view sItem, uint32_t &uiIndex);

// Walks the subtree at uiStart (uiStart first) in the folder tree's order
// and hands each item to OnItem with its location as the properties dialog
// shows it ("\root\maps\x.bsp"), names shown as ShownText shows them. The
// location is built as the walk goes, never cut: memory grows with the
// deepest path, not with the number of items. False when the directory's
// links are damaged (the items before the damage were handed over).
bool WalkLocations(const CGCF &GCFFile, uint32_t uiStart,
                   const std::function<void(uint32_t uiDirectoryIndex, const std::string &sLocation)> &OnItem);

}  // namespace Larkspur
