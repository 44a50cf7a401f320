// SPDX-License-Identifier: MIT
#include "dialogs/ItemProperties.h"

#include "archive/CGCF.h"
#include "window/ItemTexts.h"
#include "window/Utils.h"

#include <string>
#include <string_view>

namespace Larkspur
{

namespace
{

// The path is decoded one name at a time, so that a single name that is not
// UTF-8 (and so shows as Latin-1) does not garble the folders around it. A
// backslash byte never occurs inside a UTF-8 sequence, so splitting on it is
// safe before decoding.
QString DecodePath(std::string_view sPath)
{
    QString sDecoded;
    size_t uiStart = 0;
    while (uiStart <= sPath.size())
    {
        size_t uiEnd = sPath.find('\\', uiStart);
        if (uiEnd == std::string_view::npos)
            uiEnd = sPath.size();
        sDecoded += Utils::DecodeName(sPath.substr(uiStart, uiEnd - uiStart));
        if (uiEnd == sPath.size())
            break;
        sDecoded += QLatin1Char('\\');
        uiStart = uiEnd + 1;
    }
    return sDecoded;
}

}  // namespace

SItemProperties GatherProperties(const IArchive &Archive, uint32_t uiDirectoryIndex)
{
    SItemProperties Properties;
    const SItemRow Row = ReadItemRow(Archive, uiDirectoryIndex);
    const bool bFolder = Row.eType == EItemType::Folder;

    std::string sPath;
    Archive.GetDirectoryItemPath(uiDirectoryIndex, sPath);
    Properties.sLocation = DecodePath(sPath);

    Properties.sName = Row.sName;
    Properties.sType = ItemTypeText(Row.eType, Row.sName);
    Properties.sSize = Utils::LargeFileSizeToString(Archive.GetDirectoryItemSize(uiDirectoryIndex), true);
    Properties.sSizeOnDisk = Utils::LargeFileSizeToString(Archive.GetDirectoryItemSizeOnDisk(uiDirectoryIndex), true);
    if (bFolder)
        Properties.sItems = QStringLiteral("Folders: %1, Files: %2")
                                .arg(Archive.GetDirectoryItemFolderCount(uiDirectoryIndex))
                                .arg(Archive.GetDirectoryItemFileCount(uiDirectoryIndex));
    else
        Properties.sItems = QStringLiteral("N/A");

    // Flags are a GCF directory entry's own; a VPK file has its CRC32.
    if (const auto *lpGCF = dynamic_cast<const CGCF *>(&Archive))
    {
        const GCFDirectoryEntry *lpEntry = lpGCF->GetDirectoryEntry(uiDirectoryIndex);
        Properties.uiFlags = lpEntry ? uint32_t(lpEntry->uiFlags) : 0;
    }
    if (const std::optional<uint32_t> uiCrc32 = Archive.GetStoredCrc32(uiDirectoryIndex))
        Properties.sStoredCrc32 = QStringLiteral("%1").arg(*uiCrc32, 8, 16, QLatin1Char('0'));
    return Properties;
}

}  // namespace Larkspur
