// SPDX-License-Identifier: MIT
#pragma once
// The seven values that the Properties dialog shows for one archive item,
// gathered from the reader as text so that the dialog only lays them out.

#include <QString>

#include <cstdint>

namespace Larkspur
{

class CGCF;

struct SItemProperties
{
    QString sName;        // "root" for the root folder
    QString sType;        // "Folder", or the type named after the file's extension
    QString sLocation;    // "\root\maps\x.bsp"
    QString sSize;        // detailed size text: a folder's total below it
    QString sSizeOnDisk;  // the same, counted in whole data blocks
    QString sItems;       // "Folders: 3, Files: 12" for a folder, "N/A" for a file
    uint32_t uiFlags = 0; // the directory entry's flags, unchanged
};

// Reads the values for one directory index of the open archive. A bad index
// answers as the reader does for one: an empty item.
SItemProperties GatherProperties(const CGCF &GCFFile, uint32_t uiDirectoryIndex);

}  // namespace Larkspur
