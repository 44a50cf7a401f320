// SPDX-License-Identifier: MIT
#include "window/ItemTexts.h"

#include "archive/CGCF.h"
#include "window/Utils.h"

namespace Larkspur
{

QString ItemCountToString(uint32_t uiItemCount)
{
    return QString::number(uiItemCount) + (uiItemCount == 1 ? QStringLiteral(" Item") : QStringLiteral(" Items"));
}

QString ItemSizeText(EItemType eType, uint32_t uiItemSize)
{
    return eType == EItemType::Folder ? ItemCountToString(uiItemSize) : Utils::FileSizeToString(uiItemSize);
}

QString ItemTypeText(EItemType eType, const QString &sName)
{
    return eType == EItemType::Folder ? QStringLiteral("Folder") : Utils::FileTypeToString(sName);
}

SItemRow ReadItemRow(const CGCF &GCFFile, uint32_t uiDirectoryIndex)
{
    SItemRow Row;
    Row.sName = Utils::DecodeName(GCFFile.GetDirectoryItemName(uiDirectoryIndex));
    Row.eType = GCFFile.IsFolder(uiDirectoryIndex) ? EItemType::Folder : EItemType::File;
    if (const GCFDirectoryEntry *lpEntry = GCFFile.GetDirectoryEntry(uiDirectoryIndex))
        Row.uiItemSize = lpEntry->uiItemSize;
    return Row;
}

}  // namespace Larkspur
