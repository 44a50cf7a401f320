// SPDX-License-Identifier: MIT
#pragma once
// Room in the temporary folder: Shell Execute and a drag-out write an item
// there first, and an item that cannot fit is refused before a byte is
// written, so a full disk never holds half of it.

#include "archive/IArchive.h"

#include <QString>

#include <cstdint>
#include <optional>

namespace Larkspur
{

// The bytes of the item's files (a file's own size, a folder's files below
// it), summed without the archive's 32-bit wrap.
uint64_t ItemBytes(const IArchive &Archive, uint32_t uiDirectoryIndex);

// "Not enough free space in <folder> for <name>: <size> needed, <free> free."
// when uiNeeded bytes do not fit in uiFree; nothing when they do.
std::optional<QString> NoRoomText(const QString &sFolder, const QString &sName, uint64_t uiNeeded, uint64_t uiFree);

// A size text as every view shows it ("94.00 MB"), and in GB from 4 GiB on.
QString LargeSizeText(uint64_t uiBytes);

}  // namespace Larkspur
