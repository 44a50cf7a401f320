// SPDX-License-Identifier: MIT
#pragma once
// The texts of an item's row, built in this one place for the item list, the
// tool's list and the properties dialog: the Size column holds a folder's
// number of items ("1 Item", "12 Items", no digit grouping) or a file's short
// size text, the Type column "Folder" or the type named after the file's
// extension.

#include "window/ItemType.h"

#include <QString>

#include <cstdint>

namespace Larkspur
{

class IArchive;

QString ItemCountToString(uint32_t uiItemCount);
// uiItemSize is the directory entry's item size: a file's bytes, or a
// folder's number of items.
QString ItemSizeText(EItemType eType, uint32_t uiItemSize);
QString ItemTypeText(EItemType eType, const QString &sName);

// What a row shows of one item: the name as the reader gives it
// ("root" for index 0), decoded; the kind; the entry's item size. A bad index
// reads as an empty file.
struct SItemRow
{
    QString sName;
    EItemType eType = EItemType::File;
    uint32_t uiItemSize = 0;  // at most 4 GiB - 1: a VPK file larger still is shown as that
};
SItemRow ReadItemRow(const IArchive &Archive, uint32_t uiDirectoryIndex);

}  // namespace Larkspur
