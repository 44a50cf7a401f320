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

SColumnWidths ColumnWidths(int iClientWidth)
{
    const int iQuarter = iClientWidth > 0 ? iClientWidth / 4 : 0;
    return SColumnWidths{2 * iQuarter, iQuarter, iQuarter};
}

}  // namespace Larkspur
