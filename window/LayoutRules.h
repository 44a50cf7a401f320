// SPDX-License-Identifier: MIT
#pragma once
// The window's size arithmetic: the status bar's panels and the item list's
// columns share out the width they are given by fixed fractions.

#include <QRect>
#include <QString>

#include <array>
#include <cstdint>

namespace Larkspur
{

// The path panel takes two fifths of the status bar, the other three one
// fifth each; no fifth is narrower than the path panel's minimum width.
struct SPanelWidths
{
    int iFile, iFileSize, iGCFVersion, iUsedBlocks;
};
constexpr int PANEL_MIN_WIDTH = 10;
SPanelWidths PanelWidths(int iClientWidth, int iMinWidth = PANEL_MIN_WIDTH);
// The four panels side by side from the left edge of Area, in the order
// pnlFile, pnlFileSize, pnlGCFVersion, pnlUsedBlocks, each as high as Area.
std::array<QRect, 4> PanelGeometries(QRect Area);

// Name takes half of the list's inner width, Size and Type a quarter each.
// With the Location column of search results, the width is shared in sixths:
// two for Name, one each for Size and Type, two for Location.
struct SColumnWidths
{
    int iName, iSize, iType;
    int iLocation;
};
SColumnWidths ColumnWidths(int iClientWidth, bool bLocation = false);

}  // namespace Larkspur
