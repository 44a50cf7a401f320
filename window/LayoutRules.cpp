// SPDX-License-Identifier: MIT
#include "window/LayoutRules.h"

namespace Larkspur
{

SPanelWidths PanelWidths(int iClientWidth, int iMinWidth)
{
    int iFifth = iClientWidth / 5;
    if (iFifth < iMinWidth)
        iFifth = iMinWidth;
    return SPanelWidths{2 * iFifth, iFifth, iFifth, iFifth};
}

std::array<QRect, 4> PanelGeometries(QRect Area)
{
    const SPanelWidths Widths = PanelWidths(Area.width());
    std::array<QRect, 4> Geometries;
    int iLeft = Area.left();
    const int WidthsInOrder[] = {Widths.iFile, Widths.iFileSize, Widths.iGCFVersion, Widths.iUsedBlocks};
    for (size_t iPanel = 0; iPanel < Geometries.size(); ++iPanel)
    {
        Geometries[iPanel] = QRect(iLeft, Area.top(), WidthsInOrder[iPanel], Area.height());
        iLeft += WidthsInOrder[iPanel];
    }
    return Geometries;
}

SColumnWidths ColumnWidths(int iClientWidth, bool bLocation)
{
    if (bLocation)
    {
        const int iSixth = iClientWidth > 0 ? iClientWidth / 6 : 0;
        return SColumnWidths{2 * iSixth, iSixth, iSixth, 2 * iSixth};
    }
    const int iQuarter = iClientWidth > 0 ? iClientWidth / 4 : 0;
    return SColumnWidths{2 * iQuarter, iQuarter, iQuarter, 0};
}

}  // namespace Larkspur
