// SPDX-License-Identifier: MIT
#pragma once
// What one command has taken so far: the Extract command (of the window or
// the tool, several items into one folder), the tool's hash, and a mount.
// With it each command is bounded by the archive, whatever the archive
// makes its items share:
// - an item reached a second time (named twice, inside a folder named too,
//   matched twice) is written once; the second reach is skipped;
// - two different items bound for one name in the folder written into:
//   the first is written, the second refused;
// - each data block of a GCF is used at most once (the archive's claims,
//   IArchive::MakeClaims): an item whose data another item of the command
//   used, or whose data starts with another item's block entry, is damaged
//   and not written; so is a VPK file whose bytes partly overlap an earlier
//   file's.
// The extraction, hash and the mount all decide through this, in the same
// order (the folder tree's), so they agree on which items are damaged.

#include "archive/CItemData.h"
#include "archive/IArchive.h"

#include <cstdint>
#include <memory>
#include <string_view>
#include <unordered_set>
#include <vector>

namespace Larkspur
{

enum class EReach
{
    First,  // not reached before in this command
    Again,  // reached by an earlier item of the command: skipped without a word
    Loop,   // reached before by this same item: the directory's links loop
};

class CCommandScope
{
public:
    explicit CCommandScope(const IArchive &Archive) : Archive(Archive), Claims(Archive.MakeClaims()) {}

    // Starts the next item that the command was given.
    void BeginItem() { ++uiItem; }
    EReach Reach(uint32_t uiDirectoryIndex);
    // Takes sName in the folder the command writes into (the archive's
    // bytes, kept by the reader); false when another item took it before.
    bool TakeTopName(std::string_view sName) { return TopNames.insert(sName).second; }

    // Describes a file's data as the command will write it.
    EDataWalk DescribeFile(uint32_t uiDirectoryIndex, CItemData &Data)
    {
        return Data.DescribeItem(Archive, uiDirectoryIndex, Claims.get());
    }
    // Whether a file whose data walk ended so is written at all (perhaps
    // only in part, with its damage reported): no data, data of another
    // item, overlapping another file's, and an archive cut short write
    // nothing.
    static bool IsWritten(EDataWalk eWalk);

private:
    const IArchive &Archive;
    const std::unique_ptr<IDataClaims> Claims;
    uint32_t uiItem = 1;  // never 0, which marks an item not reached
    std::vector<uint32_t> ReachedBy;  // per directory index: the item that reached it first (0: none yet)
    std::unordered_set<std::string_view> TopNames;
};

}  // namespace Larkspur
