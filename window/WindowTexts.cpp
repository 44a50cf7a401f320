// SPDX-License-Identifier: MIT
#include "window/WindowTexts.h"

#include "archive/CGCF.h"
#include "window/Utils.h"

namespace Larkspur
{

QString WindowTitle(const QString &sFileName)
{
    const qsizetype iLastSeparator = sFileName.lastIndexOf(QLatin1Char('/'));
    return QString::fromLatin1(EMPTY_TITLE) + QStringLiteral(" - ") + sFileName.mid(iLastSeparator + 1);
}

SStatusTexts StatusTexts(const CGCF &GCFFile, const QString &sFileName)
{
    if (!GCFFile.Opened())
        return EmptyStatusTexts();
    const GCFHeader &Header = GCFFile.GetHeaders().Header;
    const GCFDataBlockHeader &DataBlockHeader = GCFFile.GetHeaders().DataBlockHeader;
    return SStatusTexts{
        sFileName,
        Utils::FileSizeToString(Header.uiRecordedSize),
        QStringLiteral("v") + QString::number(uint32_t(Header.uiVersion)),
        QString::number(uint32_t(DataBlockHeader.uiUsedBlocks)) + QLatin1Char('/') +
            QString::number(uint32_t(DataBlockHeader.uiTotalBlocks)),
    };
}

SStatusTexts EmptyStatusTexts()
{
    return SStatusTexts{QString(), QStringLiteral("0 B"), QStringLiteral("v0"), QStringLiteral("0/0")};
}

}  // namespace Larkspur
