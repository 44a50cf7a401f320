// SPDX-License-Identifier: MIT
// The main window's title texts.

#include "tests/support/TestSupport.h"
#include "window/WindowTexts.h"

#include <gtest/gtest.h>

using namespace Larkspur;

TEST(WindowTexts, TitleNamesTheFileAfterTheLastSeparator)
{
    EXPECT_EQ(WindowTitle("/x/y/z.gcf"), "Larkspur - z.gcf");
    EXPECT_EQ(WindowTitle("z.gcf"), "Larkspur - z.gcf");
    EXPECT_EQ(WindowTitle("/x/y/"), "Larkspur - ");
}
