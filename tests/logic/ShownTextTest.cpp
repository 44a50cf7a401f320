// SPDX-License-Identifier: MIT
// Text that reaches a terminal or a console line: every control character
// shows as "?", whether a raw byte, UTF-8 or already decoded; the rest passes
// unchanged, bytes that form no character included.

#include "window/ShownText.h"

#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

using namespace Larkspur;

TEST(ShownText, ControlCharactersShowAsQuestionMarks)
{
    const struct
    {
        std::string sBytes, sShown;
    } Cases[] = {
        {"plain name.txt", "plain name.txt"},
        {"tab\tline\nreturn\r esc\x1b", "tab?line?return? esc?"},
        {"del\x7f", "del?"},
        {"raw c1 \x85\x9b", "raw c1 ??"},  // as a Latin-1 terminal takes them
        {"utf8 c1 \xc2\x85", "utf8 c1 ?"},
        {"caf\xc3\xa9 \xe2\x82\xac", "caf\xc3\xa9 \xe2\x82\xac"},
        {"latin1 \xe9", "latin1 \xe9"},
        // No overlong form, surrogate, cut sequence or value past U+10FFFF
        // is one character: its bytes count one by one.
        {"overlong \xe0\x81\x81", "overlong \xe0??"},
        {"overlong \xc0\x80", "overlong \xc0?"},
        {"surrogate \xed\xa0\x80", "surrogate \xed\xa0?"},
        {"cut \xe2\x82", "cut \xe2?"},
        {"beyond \xf4\x90\x80\x80", "beyond \xf4???"},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(ShownText(Case.sBytes), Case.sShown) << Case.sBytes;
    EXPECT_EQ(ShownText(QString::fromUtf8("a\tb\x7f" "c\xc2\x85" "d\xc2\x9b" "e \xc3\xa9")),
              QString::fromUtf8("a?b?c?d?e \xc3\xa9"));
}
