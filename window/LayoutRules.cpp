#include "window/LayoutRules.h"

#include "archive/CGCF.h"
#include "window/Utils.h"

namespace Larkspur
{

SPanelWidths PanelWidths(int iClientWidth, int iMinWidth)
{
    int iFifth = iClientWidth / 5;
    if (iFifth < iMinWidth)
        iFifth = iMinWidth;
    return SPanelWidths{2 * iFifth, iFifth, iFifth, iFifth};
}

SColumnWidths ColumnWidths(int iClientWidth)
{
    const int iQuarter = iClientWidth > 0 ? iClientWidth / 4 : 0;
    return SColumnWidths{2 * iQuarter, iQuarter, iQuarter};
}

QString WindowTitle(const QString &sFileName)
{
    const qsizetype iLastSeparator = sFileName.lastIndexOf(QLatin1Char('/'));
    return QString::fromLatin1(EMPTY_TITLE) + QStringLiteral(" - ") + sFileName.mid(iLastSeparator + 1);
}

SStatusTexts StatusTexts(const CGCF &GCFFile, const QString &sFileName)
{
    if (!GCFFile.Opened())
        return EmptyStatusTexts();
    const GCFHeader &Header = *GCFFile.GetPositions().lpHeader;
    const GCFDataBlockHeader &DataBlockHeader = *GCFFile.GetPositions().lpDataBlockHeader;
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
