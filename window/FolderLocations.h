// SPDX-License-Identifier: MIT
#pragma once
// Where each item of the open archive lies, as the Location column of search
// results shows it: the folder that holds it, "\root\maps" for
// \root\maps\x.bsp, "\root" for an item of the root, "" for the root itself.
//
// A location is built only for a row that is painted, and never whole: a
// crafted archive can nest thousands of folders with long names, and every
// item's path would then take megabytes. Each folder's path length and the
// deepest folder above it whose path fits in the start of a cut text are
// worked out once, in one pass over the directory; a location then takes at
// most MAX_SHOWN_PATH_BYTES (window/ShownText.h) of names, read from the start and from the end of
// the path, whatever the depth. The folders' places in the tree's order let
// the column sort without any path at all.

#include <QString>

#include <cstdint>
#include <string_view>
#include <vector>

namespace Larkspur
{

class IArchive;
struct SDirectoryWalkItem;

class CFolderLocations
{
public:
    // Items: the archive's directory walk from the root (pre-order, each
    // item with the slot of its folder), as the folder tree is built from.
    CFolderLocations(const IArchive &Archive, std::vector<SDirectoryWalkItem> Items);

    // The location of item uiDirectoryIndex, at most MAX_SHOWN_PATH_BYTES;
    // "" for an item the walk did not reach.
    QString Location(uint32_t uiDirectoryIndex) const;
    // The place of the item's folder in the tree's pre-order, counted from
    // 1; 0 for the root (which no folder holds) and unreached items.
    uint32_t FolderPlace(uint32_t uiDirectoryIndex) const;

private:
    static constexpr uint32_t NO_SLOT = 0xFFFFFFFFu;
    uint32_t FolderSlot(uint32_t uiDirectoryIndex) const;
    std::string_view Name(uint32_t uiSlot) const;
    // The path of the item at a slot, whole: "\root\maps".
    QString Path(uint32_t uiSlot) const;
    // At least the first (last) iRoom bytes of the path of the item at
    // uiSlot, less the 3 bytes of a character at the cut, and not much more:
    // no name gives more than iRoom bytes. PathStart needs the folder's path
    // to fit in the room.
    QString PathStart(uint32_t uiSlot, qsizetype iRoom) const;
    QString PathEnd(uint32_t uiSlot, qsizetype iRoom) const;

    const IArchive &Archive;
    std::vector<SDirectoryWalkItem> Items;
    std::vector<uint32_t> SlotOfIndex;
    // Per slot: the length of the item's path in bytes (at most UINT32_MAX),
    // and the first item on the path (from the root down, the item itself
    // included) whose path no longer fits in the start of a cut location
    // (NO_SLOT while the whole path fits).
    std::vector<uint32_t> PathBytes;
    std::vector<uint32_t> FirstOverSlot;
    // Per slot: whether the name is UTF-8, which decides how a piece of it
    // is decoded (Utils::DecodeName decides by the whole name).
    std::vector<char> NameIsUtf8;
};

}  // namespace Larkspur
