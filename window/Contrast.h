// SPDX-License-Identifier: MIT
#pragma once
// Console and link colours that stay readable on a dark palette, and grey
// notes that read on any palette. Contrast is the ratio of relative
// luminances (WCAG 2); 4.5:1 is what ordinary text needs to be read with ease.

#include "window/Console.h"

namespace Larkspur
{

constexpr double MIN_CONTRAST = 4.5;

// 0 for black, 1 for white, from sRGB components.
double RelativeLuminance(SLineRgb Color);
// From 1 (the same luminance) to 21 (black against white), either order.
double ContrastRatio(SLineRgb First, SLineRgb Second);

// The colour in which to draw Color on Background. On a light background
// (one that black text stands out from more than white) Color is kept as it
// is. On a dark one it is mixed with white, in the smallest step that reaches
// MIN_CONTRAST, so that green stays green and red stays red.
SLineRgb ReadableOn(SLineRgb Color, SLineRgb Background);

// The colour in which to draw a note (a grey meant to stand back from the
// text around it) on Background: kept where it reaches MIN_CONTRAST already,
// otherwise mixed with black on a light background or with white on a dark
// one, in the smallest step that reaches it. The palette's own disabled grey
// reads at about 1.6:1 on a light window.
SLineRgb ReadableNoteOn(SLineRgb Color, SLineRgb Background);

}  // namespace Larkspur
