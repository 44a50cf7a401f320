// SPDX-License-Identifier: MIT
#pragma once
// The values that the Properties dialog shows for one archive item,
// gathered from the reader as text so that the dialog only lays them out.

#include <QString>

#include <cstdint>
#include <optional>

namespace Larkspur
{

class IArchive;

struct SItemProperties
{
    QString sName;        // "root" for the root folder
    QString sType;        // "Folder", or the type named after the file's extension
    QString sLocation;    // "\root\maps\x.bsp"
    QString sSize;        // detailed size text: a folder's total below it
    QString sSizeOnDisk;  // the same, counted in whole data blocks
    QString sItems;       // "Folders: 3, Files: 12" for a folder, "N/A" for a file
    // A GCF item's directory entry flags, unchanged; a VPK set has none.
    std::optional<uint32_t> uiFlags;
    // The CRC32 a VPK file's entry records, as 8 lower-case hexadecimal
    // digits; "" where the archive records none.
    QString sStoredCrc32;
};

// Reads the values for one directory index of the open archive. A bad index
// answers as the reader does for one: an empty item.
SItemProperties GatherProperties(const IArchive &Archive, uint32_t uiDirectoryIndex);

}  // namespace Larkspur
