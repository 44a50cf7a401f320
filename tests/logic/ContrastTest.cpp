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
    struct SCase
    {
        SLineRgb Note, Background;
    };
    // The palettes' own disabled greys on their windows (Fusion's light and
    // dark, a Breeze-like dark), and greys that read already.
    const SCase Cases[] = {
        {{190, 190, 190}, {239, 239, 239}}, {{128, 128, 128}, {255, 255, 255}}, {{127, 127, 127}, {53, 53, 53}},
        {{99, 104, 109}, {49, 54, 59}},     {{90, 90, 90}, {255, 255, 255}},    {{200, 200, 200}, {30, 30, 30}},
    };
    for (const SCase &Case : Cases)
    {
        const SLineRgb Readable = ReadableNoteOn(Case.Note, Case.Background);
        EXPECT_GE(ContrastRatio(Readable, Case.Background), MIN_CONTRAST);
        if (ContrastRatio(Case.Note, Case.Background) >= MIN_CONTRAST)
        {
            EXPECT_TRUE(Readable == Case.Note);
            continue;
        }
        // Still a grey, and no further from the note than it takes: one
        // step less (a component one nearer the note) does not read.
        EXPECT_TRUE(Readable.uiRed == Readable.uiGreen || Case.Note.uiRed != Case.Note.uiGreen);
        const bool bDarker = Readable.uiRed < Case.Note.uiRed;
        EXPECT_EQ(bDarker, RelativeLuminance(Case.Background) > 0.18);
        const SLineRgb Nearer{uint8_t(Readable.uiRed + (bDarker ? 1 : -1)), uint8_t(Readable.uiGreen + (bDarker ? 1 : -1)),
                              uint8_t(Readable.uiBlue + (bDarker ? 1 : -1))};
        EXPECT_LT(ContrastRatio(Nearer, Case.Background), MIN_CONTRAST + 0.1);
    }
}

}  // namespace
