// SPDX-License-Identifier: MIT
#include "extract/TempSpace.h"

#include "window/Utils.h"

#include <QLocale>

#include <algorithm>
#include <cstdint>
#include <limits>
#include <vector>

namespace Larkspur
{

uint64_t ItemBytes(const IArchive &Archive, uint32_t uiDirectoryIndex)
{
    std::vector<SDirectoryWalkItem> Items;
    // A damaged directory gives the items it could reach: those are what
    // the extraction will write.
    Archive.WalkDirectory(uiDirectoryIndex, Items);
    uint64_t uiBytes = 0;
    for (const SDirectoryWalkItem &Item : Items)
        if (!Archive.IsFolder(Item.uiDirectoryIndex))
            uiBytes += Archive.GetDirectoryItemSize(Item.uiDirectoryIndex);
    return uiBytes;
}

std::optional<QString> NoRoomText(const QString &sFolder, const QString &sName, uint64_t uiNeeded, uint64_t uiFree)
{
    if (uiNeeded <= uiFree)
        return std::nullopt;
    return QStringLiteral("Not enough free space in %1 for %2: %3 needed, %4 free.")
        .arg(sFolder, sName, LargeSizeText(uiNeeded), LargeSizeText(uiFree));
}

QString LargeSizeText(uint64_t uiBytes)
{
    if (uiBytes <= std::numeric_limits<uint32_t>::max())
        return Utils::FileSizeToString(static_cast<uint32_t>(uiBytes));
    return QLocale().formattedDataSize(static_cast<qint64>(std::min<uint64_t>(uiBytes, INT64_MAX)), 2,
                                       QLocale::DataSizeTraditionalFormat);
}

}  // namespace Larkspur
