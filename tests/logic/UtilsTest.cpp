// SPDX-License-Identifier: MIT
// Size texts and type names. The main() of these tests pins an English
// (United States) locale.

#include "window/Utils.h"
#include "tests/support/TestSupport.h"

#include <QLocale>
#include <gtest/gtest.h>

#include <cstdint>
#include <string>

using namespace Larkspur;

namespace
{

// Sets the default locale for one test and puts the English one back.
class CLocaleScope
{
public:
    explicit CLocaleScope(const QLocale &Locale) { QLocale::setDefault(Locale); }
    ~CLocaleScope() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
};

// "#,##0" with a comma, written out by hand.
std::string Grouped(uint64_t uiNumber)
{
    const std::string sDigits = std::to_string(uiNumber);
    std::string sGrouped;
    for (size_t i = 0; i < sDigits.size(); ++i)
    {
        if (i > 0 && (sDigits.size() - i) % 3 == 0)
            sGrouped += ',';
        sGrouped += sDigits[i];
    }
    return sGrouped;
}

// The size text computed exactly with integers, without floating point and
// without the code under test: the size rounded to single precision (24
// significant bits, ties to even), scaled by 2^-10 or 2^-20, rounded to seven
// significant digits (ties to even), then to two decimals, halves away from zero.
std::string ExpectedShortSize(uint32_t uiSize)
{
    if (uiSize < 1024)
        return Grouped(uiSize) + " B";

    uint64_t uiFloat = uiSize;
    int iBits = 0;
    while ((uint64_t{1} << iBits) <= uiSize)
        ++iBits;
    if (iBits > 24)
    {
        const int iDrop = iBits - 24;
        uint64_t uiKept = uiSize >> iDrop;
        const uint64_t uiRest = uiSize & ((uint64_t{1} << iDrop) - 1);
        const uint64_t uiHalf = uint64_t{1} << (iDrop - 1);
        if (uiRest > uiHalf || (uiRest == uiHalf && (uiKept & 1)))
            ++uiKept;
        uiFloat = uiKept << iDrop;
    }

    const bool bKilobytes = uiSize < 1048576;
    const int iShift = bKilobytes ? 10 : 20;
    // The value is uiFloat / 2^iShift, at least 1 and at most 4096:
    // iExponent is its decimal exponent (0 to 3).
    int iExponent = 0;
    for (uint64_t uiPower = 10; (uiFloat >> iShift) >= uiPower; uiPower *= 10)
        ++iExponent;

    uint64_t uiScale = 1;
    for (int i = 0; i < 6 - iExponent; ++i)
        uiScale *= 10;
    const uint64_t uiNumerator = uiFloat * uiScale;
    uint64_t uiSeven = uiNumerator >> iShift;
    const uint64_t uiRemainder = uiNumerator & ((uint64_t{1} << iShift) - 1);
    const uint64_t uiHalf = uint64_t{1} << (iShift - 1);
    if (uiRemainder > uiHalf || (uiRemainder == uiHalf && (uiSeven & 1)))
        ++uiSeven;
    if (uiSeven == 10000000)
    {
        uiSeven = 1000000;
        ++iExponent;
    }

    // uiSeven * 10^(iExponent - 6) in hundredths; iExponent is at most 3.
    uint64_t uiDivisor = 1;
    for (int i = 0; i < 4 - iExponent; ++i)
        uiDivisor *= 10;
    uint64_t uiHundredths = uiSeven / uiDivisor;
    if ((uiSeven % uiDivisor) * 2 >= uiDivisor)
        ++uiHundredths;

    const std::string sFraction = std::to_string(100 + uiHundredths % 100).substr(1);
    return Grouped(uiHundredths / 100) + "." + sFraction + (bKilobytes ? " KB" : " MB");
}

struct SSizeCase
{
    uint32_t uiSize;
    bool bDetailed;
    const char *szExpected;
};

}  // namespace

TEST(FileSizeToString, KnownSizes)
{
    const SSizeCase Cases[] = {
        {0, false, "0 B"},
        {1023, false, "1,023 B"},
        {500, true, "500 B"},                        // no parenthesis below 1024
        {1023, true, "1,023 B"},
        {1024, false, "1.00 KB"},
        {1024, true, "1.00 KB (1,024 B)"},
        {1536, true, "1.50 KB (1,536 B)"},
        {102487, false, "100.09 KB"},                // 100.0849609375: 100.0850 first, then 100.09
        {1048575, false, "1,024.00 KB"},             // still kilobytes; 1023.999 rounds up
        {1048576, false, "1.00 MB"},
        {123456789, false, "117.74 MB"},
        {4294967295u, false, "4,096.00 MB"},         // single precision rounds it to 2^32
        {4294967295u, true, "4,096.00 MB (4,294,967,295 B)"},
    };
    for (const SSizeCase &Case : Cases)
        EXPECT_EQ(Utils::FileSizeToString(Case.uiSize, Case.bDetailed), QString::fromLatin1(Case.szExpected))
            << Case.uiSize << (Case.bDetailed ? " detailed" : "");
    EXPECT_EQ(Utils::FileSizeToString(1536), Utils::FileSizeToString(1536, false));
}

TEST(FileSizeToString, LargeSizesGoOnInMegabytes)
{
    const struct
    {
        uint64_t uiSize;
        bool bDetailed;
        const char *szExpected;
    } Cases[] = {
        {4294967295u, false, "4,096.00 MB"},  // the 32-bit text up to there
        {1536, true, "1.50 KB (1,536 B)"},
        {4294967296u, false, "4,096.00 MB"},
        {4294967296u + 5242, true, "4,096.00 MB (4,294,972,538 B)"},  // 0.004999 MB rounds down
        {4294967296u + 5243, false, "4,096.01 MB"},
        {5ull << 40, false, "5,242,880.00 MB"},
        {UINT64_MAX, false, "17,592,186,044,416.00 MB"},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(Utils::LargeFileSizeToString(Case.uiSize, Case.bDetailed), QString::fromLatin1(Case.szExpected))
            << Case.uiSize;
}

TEST(FileSizeToString, SweepAgreesWithExactDecimalRounding)
{
    // Every size in ranges where the unit changes, where single precision
    // starts to round the size itself (2^24), and at the top; plus a spread
    // over the whole 32-bit range.
    struct SRange { uint64_t uiFirst, uiLast; };
    const SRange Ranges[] = {
        {0, 150000},
        {1048576 - 60000, 1048576 + 60000},
        {(1u << 24) - 30000, (1u << 24) + 30000},
        {(1ull << 32) - 30000, (1ull << 32) - 1},
    };
    int iMismatches = 0;
    auto Check = [&](uint32_t uiSize) {
        const QString sActual = Utils::FileSizeToString(uiSize);
        const std::string sExpected = ExpectedShortSize(uiSize);
        if (sActual.toStdString() != sExpected && ++iMismatches <= 10)
            ADD_FAILURE() << uiSize << ": " << sActual.toStdString() << " expected " << sExpected;
    };
    for (const SRange &Range : Ranges)
        for (uint64_t uiSize = Range.uiFirst; uiSize <= Range.uiLast; ++uiSize)
            Check(static_cast<uint32_t>(uiSize));
    uint32_t uiState = 12345;
    for (int i = 0; i < 100000; ++i)
    {
        uiState = uiState * 1664525u + 1013904223u;
        Check(uiState);
    }
    EXPECT_EQ(iMismatches, 0);
}

TEST(FileSizeToString, SeparatorsFollowTheLocale)
{
    {
        CLocaleScope German(QLocale(QLocale::German, QLocale::Germany));
        EXPECT_EQ(Utils::FileSizeToString(1023), QStringLiteral("1.023 B"));
        EXPECT_EQ(Utils::FileSizeToString(1048575, true), QStringLiteral("1.024,00 KB (1.048.575 B)"));
        EXPECT_EQ(Utils::GroupedNumber(1234567), QStringLiteral("1.234.567"));
    }
    {
        // Qt's C locale leaves group separators out unless asked; the sizes
        // are grouped whatever the locale.
        CLocaleScope C(QLocale::c());
        EXPECT_EQ(Utils::FileSizeToString(1048575, true), QStringLiteral("1,024.00 KB (1,048,575 B)"));
        EXPECT_EQ(Utils::GroupedNumber(1234567), QStringLiteral("1,234,567"));
    }
    EXPECT_EQ(Utils::GroupedNumber(0), QStringLiteral("0"));
    EXPECT_EQ(Utils::GroupedNumber(999), QStringLiteral("999"));
    EXPECT_EQ(Utils::GroupedNumber(5000000000ull), QStringLiteral("5,000,000,000"));
}

// Every row of the table, by a name with that extension; then how the
// extension is found; and the table is built once.
TEST(FileTypeToString, TheTableAndTheExtensionRules)
{
    const char *const Rows[][2] = {
        {"EXE", "Application"},       {"DLL", "Application Extension"}, {"TXT", "Text File"},
        {"CFG", "Config File"},       {"BMP", "Bitmap Image"},          {"TGA", "Targa Image"},
        {"JPG", "JPEG Image"},        {"JPEG", "JPEG Image"},           {"GIF", "GIF Image"},
        {"PNG", "PNG Image"},         {"ICO", "Icon"},                  {"HTM", "HTML Document"},
        {"HTML", "HTML Document"},    {"BSP", "Half-Life Level"},       {"WAD", "Texture Package"},
        {"MDL", "Half-Life Model"},   {"SPR", "Sprite"},                {"WAV", "Wave Audio File"},
        {"MP3", "MP3 Audio File"},    {"AVI", "AVI Video File"},        {"MPG", "MPEG Video File"},
        {"MPEG", "MPEG Video File"},  {"RES", "Resource File"},
    };
    for (const auto &Row : Rows)
        EXPECT_EQ(Utils::FileTypeToString(QStringLiteral("name.") + QLatin1String(Row[0])), QLatin1String(Row[1]))
            << Row[0];
    const char *const Names[][2] = {
        {"PHOTO.JpEg", "JPEG Image"},      // the extension is upper-cased before the lookup
        {"archive.tar.gz", "GZ File"},     // only the text after the last dot counts
        {"dir.bsp.old", "OLD File"},
        {"a.b.TXT", "Text File"},
        {"notes.doc", "DOC File"},
        {"README", "File"},                // no dot
        {"x.", " File"},                   // an empty extension
        {".cvsignore", "CVSIGNORE File"},
    };
    for (const auto &Name : Names)
        EXPECT_EQ(Utils::FileTypeToString(QString::fromLatin1(Name[0])), QString::fromLatin1(Name[1])) << Name[0];
    EXPECT_EQ(Utils::FileTypeToString(QStringLiteral("straße.ß")), QStringLiteral("SS File"));

    ASSERT_NE(Utils::ExtTable, nullptr);
    EXPECT_EQ(Utils::ExtTable->size(), qsizetype(std::size(Rows)));
    QHash<QString, QString> *lpBefore = Utils::ExtTable;
    Utils::BuildExtTable();
    EXPECT_EQ(Utils::ExtTable, lpBefore);
}

TEST(DecodeName, Utf8WhereValidElseLatin1)
{
    struct SCase
    {
        std::string sBytes;
        QString sExpected;
    };
    const SCase Cases[] = {
        {"plain.txt", QStringLiteral("plain.txt")},
        {"caf\xC3\xA9.txt", QString::fromUtf8("caf\xC3\xA9.txt")},              // UTF-8 e acute
        {"caf\xE9.txt", QString::fromLatin1("caf\xE9.txt")},                    // Latin-1 e acute
        {"\xC0\xAF", QString::fromLatin1("\xC0\xAF")},                          // overlong "/"
        {"\xED\xA0\x80", QString::fromLatin1("\xED\xA0\x80")},                  // an encoded surrogate
        {"ab\xE2\x82", QString::fromLatin1("ab\xE2\x82")},                      // cut off mid-character
        {"", QString()},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(Utils::DecodeName(Case.sBytes), Case.sExpected) << Case.sBytes;
}
