// SPDX-License-Identifier: MIT
// Console and link colours: unchanged on a light palette, readable on a dark
// one; grey notes readable on both.

#include "window/Contrast.h"

#include <gtest/gtest.h>

using namespace Larkspur;

namespace
{

constexpr SLineRgb BLACK{0, 0, 0};
constexpr SLineRgb WHITE{255, 255, 255};

bool operator==(SLineRgb First, SLineRgb Second)
{
    return First.uiRed == Second.uiRed && First.uiGreen == Second.uiGreen && First.uiBlue == Second.uiBlue;
}

TEST(ContrastTest, RatiosOfKnownPairs)
{
    EXPECT_NEAR(ContrastRatio(BLACK, WHITE), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(WHITE, BLACK), 21.0, 1e-9);
    EXPECT_NEAR(ContrastRatio(WHITE, WHITE), 1.0, 1e-9);
    EXPECT_NEAR(ContrastRatio({0, 128, 0}, WHITE), 5.14, 0.01);
    EXPECT_NEAR(ContrastRatio({128, 128, 128}, WHITE), 3.95, 0.01);
}

TEST(ContrastTest, LightBackgroundsKeepTheColoursAndDarkOnesGetReadableOnes)
{
    const SLineRgb Colors[] = {LineColorRgb(ELineColor::Green), LineColorRgb(ELineColor::Gray),
                               LineColorRgb(ELineColor::Red), BLACK};
    for (const SLineRgb Background : {WHITE, SLineRgb{239, 240, 241}, SLineRgb{255, 255, 220}})
        for (const SLineRgb Color : Colors)
            EXPECT_TRUE(ReadableOn(Color, Background) == Color);

    // Black, a few desktops' dark bases, and one just dark enough to count as dark.
    for (const SLineRgb Background : {BLACK, SLineRgb{35, 38, 41}, SLineRgb{42, 42, 42}, SLineRgb{30, 30, 46},
                                      SLineRgb{110, 110, 110}})
    {
        for (const SLineRgb Color : Colors)
        {
            const SLineRgb Readable = ReadableOn(Color, Background);
            EXPECT_GE(ContrastRatio(Readable, Background), MIN_CONTRAST);
            // Only lighter, so green stays the greenest part and red the reddest.
            EXPECT_GE(Readable.uiRed, Color.uiRed);
            EXPECT_GE(Readable.uiGreen, Color.uiGreen);
            EXPECT_GE(Readable.uiBlue, Color.uiBlue);
            if (Color == LineColorRgb(ELineColor::Green))
            {
                EXPECT_GT(Readable.uiGreen, Readable.uiRed);
            }
            if (Color == LineColorRgb(ELineColor::Red))
            {
                EXPECT_GT(Readable.uiRed, Readable.uiGreen);
            }
        }
    }
    // No lighter than it takes: red on black already reads.
    EXPECT_TRUE(ReadableOn(LineColorRgb(ELineColor::Red), BLACK) == LineColorRgb(ELineColor::Red));
}

TEST(ContrastTest, NotesReadOnEveryPaletteInTheSmallestStep)
{
    // Disabled greys on their windows (Fusion's light and dark, a Breeze-like
    // dark), and greys that read already.
    const SLineRgb Cases[][2] = {{{190, 190, 190}, {239, 239, 239}}, {{127, 127, 127}, {53, 53, 53}},
                                 {{99, 104, 109}, {49, 54, 59}},     {{90, 90, 90}, WHITE},
                                 {{200, 200, 200}, {30, 30, 30}}};
    for (const auto &Case : Cases)
    {
        const SLineRgb Readable = ReadableNoteOn(Case[0], Case[1]);
        const double fRatio = ContrastRatio(Readable, Case[1]);
        EXPECT_GE(fRatio, MIN_CONTRAST);
        // Kept when it reads; otherwise no further than it takes.
        if (ContrastRatio(Case[0], Case[1]) >= MIN_CONTRAST)
            EXPECT_TRUE(Readable == Case[0]);
        else
            EXPECT_LT(fRatio, MIN_CONTRAST + 0.1);
    }
}

}  // namespace
