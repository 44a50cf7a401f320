// SPDX-License-Identifier: MIT
#include "window/ItemTexts.h"

#include "archive/IArchive.h"
#include "window/Utils.h"

#include <algorithm>

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

SItemRow ReadItemRow(const IArchive &Archive, uint32_t uiDirectoryIndex)
{
    SItemRow Row;
    Row.sName = Utils::DecodeName(Archive.GetDirectoryItemName(uiDirectoryIndex));
    Row.eType = Archive.IsFolder(uiDirectoryIndex) ? EItemType::Folder : EItemType::File;
    Row.uiItemSize = uint32_t(std::min<uint64_t>(Archive.GetDirectoryEntrySize(uiDirectoryIndex), UINT32_MAX));
    return Row;
}

}  // namespace Larkspur
