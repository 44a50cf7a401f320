// SPDX-License-Identifier: MIT
#include "window/Contrast.h"

#include <cmath>

namespace Larkspur
{

namespace
{

double Linear(uint8_t uiComponent)
{
    const double dValue = uiComponent / 255.0;
    return dValue <= 0.03928 ? dValue / 12.92 : std::pow((dValue + 0.055) / 1.055, 2.4);
}

uint8_t MixTowardsWhite(uint8_t uiComponent, int iStep)
{
    return uint8_t(uiComponent + (255 - uiComponent) * iStep / 255);
}

constexpr SLineRgb BLACK{0, 0, 0};
constexpr SLineRgb WHITE{255, 255, 255};

}  // namespace

double RelativeLuminance(SLineRgb Color)
{
    return 0.2126 * Linear(Color.uiRed) + 0.7152 * Linear(Color.uiGreen) + 0.0722 * Linear(Color.uiBlue);
}

double ContrastRatio(SLineRgb First, SLineRgb Second)
{
    const double dFirst = RelativeLuminance(First) + 0.05;
    const double dSecond = RelativeLuminance(Second) + 0.05;
    return dFirst > dSecond ? dFirst / dSecond : dSecond / dFirst;
}

SLineRgb ReadableOn(SLineRgb Color, SLineRgb Background)
{
    if (ContrastRatio(BLACK, Background) >= ContrastRatio(WHITE, Background))
        return Color;
    // On a background this dark white reaches at least 4.58:1, so the walk
    // always ends.
    for (int iStep = 0; iStep <= 255; ++iStep)
    {
        const SLineRgb Mixed{MixTowardsWhite(Color.uiRed, iStep), MixTowardsWhite(Color.uiGreen, iStep),
                             MixTowardsWhite(Color.uiBlue, iStep)};
        if (ContrastRatio(Mixed, Background) >= MIN_CONTRAST)
            return Mixed;
    }
    return WHITE;
}

}  // namespace Larkspur
