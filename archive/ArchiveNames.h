// SPDX-License-Identifier: MIT
#pragma once
// Names and name limits that every archive shares, whatever its format.

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace Larkspur
{

// Directory index 0, the root folder, is called this in every archive,
// whatever the file stores for it.
inline constexpr std::string_view ROOT_NAME = "root";

// The longest name a file or folder can have on Linux (NAME_MAX): an item
// named longer cannot be written, mounted or looked up.
inline constexpr size_t MAX_FILE_NAME_BYTES = 255;

// The longest path inside an archive that BuildItemPath builds, far beyond
// any real path: a damaged directory that chains many long names would
// otherwise ask for gigabytes.
inline constexpr size_t MAX_ITEM_PATH_BYTES = size_t{16} << 20;

// Prepends "\" + name for an item and each folder above it to cPath (the
// root gives "\root", a file b.txt in folder a "\root\a\b.txt"), the
// GetDirectoryItemPath of every reader. NameOf(i) gives an item's name,
// ParentOf(i) its folder's index (one at or past uiItemCount above the
// root). The names are gathered from the item up first, so the path is built
// once instead of being copied again for every folder above the item. The
// walk stops at a bad index, and a parent chain that loops is cut after as
// many steps as there are items. A path that would pass MAX_ITEM_PATH_BYTES
// is cut from the top and then begins with "..." instead of "\" (every
// whole path begins with "\"); false then.
template <class FNameOf, class FParentOf>
bool BuildItemPath(uint32_t uiIndex, uint32_t uiItemCount, FNameOf &&NameOf, FParentOf &&ParentOf, std::string &cPath)
{
    std::vector<std::string_view> Names;
    size_t uiLength = cPath.size();
    bool bWhole = true;
    for (uint32_t uiStep = 0; uiStep < uiItemCount && uiIndex < uiItemCount; uiStep++, uiIndex = ParentOf(uiIndex))
    {
        const std::string_view sName = NameOf(uiIndex);
        if (uiLength + 1 + sName.size() > MAX_ITEM_PATH_BYTES)
        {
            bWhole = false;
            break;
        }
        Names.push_back(sName);
        uiLength += 1 + sName.size();
    }

    std::string sPath;
    sPath.reserve(uiLength + 3);
    if (!bWhole)
        sPath += "...";
    for (auto it = Names.rbegin(); it != Names.rend(); ++it)
    {
        sPath += '\\';
        sPath += *it;
    }
    sPath += cPath;
    cPath = std::move(sPath);
    return bWhole;
}

}  // namespace Larkspur
