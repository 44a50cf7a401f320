// SPDX-License-Identifier: MIT
// Names as lines show them: control and invisible format characters masked
// (whether a raw byte, UTF-8 or already decoded; bytes that form no
// character pass unchanged), long paths cut in the middle, deep paths never
// held whole.
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

TEST(ShownText, MasksControlAndFormatCharactersInBothForms)
{
    const struct
    {
        const char *szRaw, *szShown;
    } Cases[] = {
        {"abc \xc3\xa9", "abc \xc3\xa9"},                         // é stays
        {"evil\xe2\x80\xaetxt.exe", "evil?txt.exe"},              // U+202E right-to-left override
        {"zero\xe2\x80\x8bwidth\xef\xbb\xbf", "zero?width?"},     // U+200B, U+FEFF
        {"iso\xe2\x81\xa6x\xe2\x81\xa9", "iso?x?"},               // U+2066, U+2069 isolates
        {"tag\xf3\xa0\x80\x81", "tag?"},                          // U+E0001, outside the BMP
        {"bell\x07 c1\xc2\x9b", "bell? c1?"},                     // controls as before
        {"arrow \xe2\x86\x92 emoji \xf0\x9f\x98\x80", "arrow \xe2\x86\x92 emoji \xf0\x9f\x98\x80"},
    };
    for (const auto &Case : Cases)
    {
        EXPECT_EQ(ShownText(std::string_view(Case.szRaw)), Case.szShown) << Case.szRaw;
        EXPECT_EQ(ShownText(QString::fromUtf8(Case.szRaw)), QString::fromUtf8(Case.szShown)) << Case.szRaw;
    }
}

TEST(ShownText, LongPathsKeepBothEndsAndNeverSplitACharacter)
{
    EXPECT_EQ(ShortenedPath(std::string(4096, 'x')), std::string(4096, 'x'));
    const std::string sLong = "/start" + std::string(5000, 'm') + "end.txt";
    const std::string sCut = ShortenedPath(sLong);
    EXPECT_EQ(sCut.size(), 4096u);
    EXPECT_TRUE(sCut.starts_with("/start") && sCut.ends_with("mend.txt"));
    EXPECT_NE(sCut.find("m...m"), std::string::npos);

    // Two-byte characters throughout: both edges fall between characters.
    std::string sWide;
    for (int i = 0; i < 3000; ++i)
        sWide += "\xc3\xa9";
    for (const size_t uiMax : {4096u, 4095u, 10u})
    {
        const std::string sWideCut = ShortenedPath(sWide, uiMax);
        EXPECT_LE(sWideCut.size(), uiMax);
        EXPECT_TRUE(QString::fromUtf8(sWideCut).toUtf8().toStdString() == sWideCut) << uiMax;
    }
    const QString sQWide = QString::fromUtf8(sWide);
    EXPECT_EQ(ShortenedPath(sQWide).toUtf8().size(), 4095);
    EXPECT_EQ(ShortenedPath(QString(100, QLatin1Char('q'))), QString(100, QLatin1Char('q')));
}

// A path built from pieces shows as the whole path would, cut the same way,
// at every depth, after pieces are taken off again.
TEST(ShownText, BoundedPathShowsWhatTheWholePathWould)
{
    const std::string sName(700, 'n'), sOther = "\xc3\xa9t\xc3\xa9";
    CBoundedPath Path("/out");
    std::string sWhole = "/out";
    std::vector<size_t> Lengths;
    for (int i = 0; i < 12; ++i)
    {
        const std::string &sPiece = i % 3 == 2 ? sOther : sName;
        Path.Push('/', sPiece);
        sWhole += "/" + sPiece;
        Lengths.push_back(sWhole.size());
        EXPECT_EQ(Path.Size(), sWhole.size());
        EXPECT_EQ(Path.Shown(), ShortenedPath(sWhole)) << i;
        EXPECT_EQ(Path.Shown(Path.Depth(), '/', "file"), ShortenedPath(sWhole + "/file")) << i;
        if (sWhole.size() <= CBoundedPath::KEPT_BYTES)
        {
            EXPECT_EQ(Path.Text(), sWhole);
        }
    }
    EXPECT_EQ(Path.Shown(2, '/'), ShortenedPath(sWhole.substr(0, Lengths[1]) + "/"));
    Path.Truncate(3);
    EXPECT_EQ(Path.Shown(), ShortenedPath(sWhole.substr(0, Lengths[2])));
    Path.Pop();
    EXPECT_EQ(Path.Text(), sWhole.substr(0, Lengths[1]));
    Path.Push('\0', "x");
    EXPECT_EQ(Path.Text(), sWhole.substr(0, Lengths[1]) + "x");
}
