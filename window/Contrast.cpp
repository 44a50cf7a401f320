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

uint8_t MixTowards(uint8_t uiComponent, uint8_t uiEnd, int iStep)
{
    return uint8_t(uiComponent + (int(uiEnd) - int(uiComponent)) * iStep / 255);
}

constexpr SLineRgb BLACK{0, 0, 0};
constexpr SLineRgb WHITE{255, 255, 255};

bool IsDark(SLineRgb Background)
{
    return ContrastRatio(BLACK, Background) < ContrastRatio(WHITE, Background);
}

// Color mixed with End in the smallest of 255 steps that reaches
// MIN_CONTRAST on Background; End itself when none does. Against the
// background's own side (black on a light one, white on a dark one) End
// reaches at least 4.58:1, so the walk always ends there.
SLineRgb MixUntilReadable(SLineRgb Color, SLineRgb End, SLineRgb Background)
{
    for (int iStep = 0; iStep <= 255; ++iStep)
    {
        const SLineRgb Mixed{MixTowards(Color.uiRed, End.uiRed, iStep), MixTowards(Color.uiGreen, End.uiGreen, iStep),
                             MixTowards(Color.uiBlue, End.uiBlue, iStep)};
        if (ContrastRatio(Mixed, Background) >= MIN_CONTRAST)
            return Mixed;
    }
    return End;
}

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
    if (!IsDark(Background))
        return Color;
    return MixUntilReadable(Color, WHITE, Background);
}

SLineRgb ReadableNoteOn(SLineRgb Color, SLineRgb Background)
{
    return MixUntilReadable(Color, IsDark(Background) ? WHITE : BLACK, Background);
}

}  // namespace Larkspur
