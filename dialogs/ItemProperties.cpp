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

SItemProperties GatherProperties(const CGCF &GCFFile, uint32_t uiDirectoryIndex)
{
    SItemProperties Properties;
    const SItemRow Row = ReadItemRow(GCFFile, uiDirectoryIndex);
    const bool bFolder = Row.eType == EItemType::Folder;

    std::string sPath;
    GCFFile.GetDirectoryItemPath(uiDirectoryIndex, sPath);
    Properties.sLocation = DecodePath(sPath);

    Properties.sName = Row.sName;
    Properties.sType = ItemTypeText(Row.eType, Row.sName);
    Properties.sSize = Utils::FileSizeToString(GCFFile.GetDirectoryItemSize(uiDirectoryIndex), true);
    Properties.sSizeOnDisk = Utils::FileSizeToString(GCFFile.GetDirectoryItemSizeOnDisk(uiDirectoryIndex), true);
    if (bFolder)
        Properties.sItems = QStringLiteral("Folders: %1, Files: %2")
                                .arg(GCFFile.GetDirectoryItemFolderCount(uiDirectoryIndex))
                                .arg(GCFFile.GetDirectoryItemFileCount(uiDirectoryIndex));
    else
        Properties.sItems = QStringLiteral("N/A");

    const GCFDirectoryEntry *lpEntry = GCFFile.GetDirectoryEntry(uiDirectoryIndex);
    Properties.uiFlags = lpEntry ? uint32_t(lpEntry->uiFlags) : 0;
    return Properties;
}

}  // namespace Larkspur
