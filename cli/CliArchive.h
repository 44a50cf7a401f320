// SPDX-License-Identifier: MIT
#pragma once
// What the commands of larkspur-cli share: opening an archive of either
// format with the window's failure text, and finding an item by its
// location. Every command speaks to the archive through IArchive.

#include "archive/CItemData.h"
#include "archive/IArchive.h"
#include "cli/CliContext.h"
#include "window/ShownText.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Opens the archive at sPath, a GCF or a VPK set by its signature. On
// failure (null) writes to stderr "Could not open:\n" + path +
// "\n\nError:\n" + reason, where the reason is "File does not exist." when
// no file is at the path and the reader's own message otherwise; the caller
// then exits with CLI_EXIT_USAGE. Only the dump command (bDump) leaves a
// refused GCF's dump.txt, in the context's dump folder: no other command
// writes a file it was not asked for.
std::unique_ptr<IArchive> OpenArchiveForCli(const SCliContext &Context, const std::string &sPath, bool bDump = false);

// Finds an item by its location: "root\maps\x.bsp", "\root\maps\x.bsp" or
// "/root/maps/x.bsp" ("\" and "/" both separate; "root" alone is the root).
// Names compare exactly, byte for byte. False when no such item exists.
bool ResolveItem(const IArchive &Archive, std::string_view sItem, uint32_t &uiIndex);

// The items an ITEM argument names: the item that it names exactly
// (ResolveItem), even when its name holds "*", "?" or "["; otherwise, when
// it holds one of those, every item whose location matches it part by part
// as a shell pattern (fnmatch with FNM_PATHNAME | FNM_NOESCAPE), in the
// folder tree's order. As in ResolveItem, a part with more parts after it,
// or before a trailing separator, matches folders only. Empty when nothing
// matches.
std::vector<uint32_t> MatchItems(const IArchive &Archive, std::string_view sItem);

// The items that a command's ITEM arguments name, each once, in the order
// named (the root when none is named). False, with "No such item: " + ITEM
// on stderr, when an argument names nothing: the caller then exits with
// CLI_EXIT_USAGE.
bool MatchItemArguments(const SCliContext &Context, const IArchive &Archive, const std::vector<std::string> &Items,
                        std::vector<uint32_t> &Indexes);

// OpenArchiveForCli and MatchItemArguments in one: the archive, with the
// items found in Indexes; null when either fails (its reason on stderr).
std::unique_ptr<IArchive> OpenArchiveItems(const SCliContext &Context, const std::string &sPath,
                                           const std::vector<std::string> &Items, std::vector<uint32_t> &Indexes);

// Walks the subtree at uiStart (uiStart first) in the folder tree's order
// and hands each item to OnItem with its location in the form that every
// command takes ("root/maps/x.bsp"), the archive's bytes (ShownText shows
// them). The location is built as the walk goes and only its first bytes
// are held (CBoundedPath): memory grows with the depth, not with the
// length of the paths. OnItem returns false to end the walk there. False
// when the directory's links are damaged (the items before the damage were
// handed over).
bool WalkLocations(const IArchive &Archive, uint32_t uiStart,
                   const std::function<bool(uint32_t uiDirectoryIndex, const CBoundedPath &Location)> &OnItem);

// A size as the window shows it: "1.50 KB", or with bDetailed
// "1.50 KB (1,536 B)". Sizes of 4 GiB and more, which only a VPK set's sums
// reach, go on in megabytes ("5,120.00 MB (5,368,709,120 B)").
std::string SizeText(uint64_t uiBytes, bool bDetailed);

// Why a file's data is not all there, or "" when it is: the archive holds
// none for a file of some size ("no physical data"), it is damaged (its
// reason), or it holds less than the file's size ("the data holds 10 of 12
// bytes").
std::string DataProblem(uint64_t uiSize, EDataWalk eData, const CItemData &Data);

// Output for other programs never cuts a path: one of this many bytes or
// more (more than a path that one system call takes) is reported on stderr
// instead.
inline constexpr uint64_t MAX_WHOLE_PATH_BYTES = 4096;

// The lines of a command that report items left out of its output, on
// stderr: the first MAX_LINES are written, the others only counted, and
// Finish says how many there were. Each line names the item's path,
// shortened and shown as ShownText shows it.
class CLeftOutReport
{
public:
    explicit CLeftOutReport(ICliOutput &Output) : Output(Output) {}
    // sPrefix + the path + " (" + sReason + ").\n"
    void Add(std::string_view sPrefix, std::string_view sShortPath, std::string_view sReason);
    // The line that counts the lines not written, if any.
    void Finish();
    uint64_t GetCount() const { return uiLines; }

    static constexpr uint64_t MAX_LINES = 100;

private:
    ICliOutput &Output;
    uint64_t uiLines = 0;
};

}  // namespace Larkspur
