// SPDX-License-Identifier: MIT
// The search over item names: the match rule, the walk order and the console line.

#include "dialogs/Search.h"

#include "archive/CGCF.h"
#include "GcfBuilder.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace Larkspur;
using GcfBuilder::SItem;

namespace
{

// Directory indexes are pre-order: the comments give each item's index.
SItem SearchTree()
{
    return SItem::Folder("ignored", {                          // 0 root
        SItem::Folder("Maps", {                                // 1
            SItem::File("readme.txt", "a"),                    // 2
            SItem::File("de_dust.BSP", "bb"),                  // 3
            SItem::Folder("mapsrc", {                          // 4
                SItem::File(" map.txt", "c"),                  // 5
            }),
        }),
        SItem::File("ReadMe", "dd"),                           // 6
        SItem::Folder("sound", {                               // 7
            SItem::File("K\xC3\x96NIG.wav", "e"),              // 8  UTF-8 "KÖNIG.wav"
            SItem::File("\xC4rger.wav", "f"),                  // 9  Latin-1 "Ärger.wav"
            SItem::File("\xE2\x84\xAA" "elvin.txt", "g"),      // 10 KELVIN SIGN + "elvin.txt"
        }),
        SItem::File("notes", ""),                              // 11
    });
}

class SearchTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(TempDir.isValid());
        Archive = GcfBuilder::Build(SearchTree());
        sPath = TempDir.filePath(QStringLiteral("search.gcf")).toStdString();
        ASSERT_TRUE(GcfBuilder::WriteFile(sPath, Archive.Bytes));
        ASSERT_TRUE(GCFFile.Open(sPath.c_str())) << GCFFile.GetLastError();
    }

    std::vector<uint32_t> Find(const char *szWord)
    {
        bool bComplete = false;
        std::vector<uint32_t> Matches = FindMatchingItems(GCFFile, QString::fromUtf8(szWord), &bComplete);
        EXPECT_TRUE(bComplete) << szWord;
        return Matches;
    }

    QTemporaryDir TempDir;
    GcfBuilder::SArchive Archive;
    std::string sPath;
    CGCF GCFFile;
};

using Indexes = std::vector<uint32_t>;

}  // namespace

TEST_F(SearchTest, MatchesInTreeOrder)
{
    struct SCase
    {
        const char *szWord;
        Indexes Expected;
    };
    const SCase Cases[] = {
        // The root is named "root" and comes first; a folder comes before
        // its items, and the walk goes on below a matching folder.
        {"o", {0, 7, 11}},
        {"map", {1, 4, 5}},
        // Both sides are lower-cased.
        {"README", {2, 6}},
        {"ReAdMe.TXT", {2}},
        {".bsp", {3}},
        // Blanks are part of the word: " map" is not "map".
        {" map", {5}},
        {"map ", {}},
        {"nothing here", {}},
        // The empty word is in every name.
        {"", {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11}},
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(Find(Case.szWord), Case.Expected) << "'" << Case.szWord << "'";
}

TEST_F(SearchTest, NamesBeyondAsciiAreLowerCasedInFull)
{
    const struct
    {
        const char *szWord;  // UTF-8
        Indexes Expected;
    } Cases[] = {
        {"k\xC3\xB6nig", {8}},    // "könig" finds "KÖNIG.wav"
        {"\xC3\x96", {8}},        // "Ö"
        {"\xC3\xA4rger", {9}},    // "ärger" finds the Latin-1 name "Ärger.wav"
        {"kelvin", {10}},         // the Kelvin sign lower-cases to an ASCII "k"
        {"\xE2\x84\xAA", {8, 10}},  // the Kelvin sign itself is "k" after lower-casing
        {"wav", {8, 9}},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(Find(Case.szWord), Case.Expected) << Case.szWord;
}

TEST_F(SearchTest, DamagedDirectoryKeepsTheMatchesFoundBeforeIt)
{
    // The folder "sound" names itself as its own first item: a cycle.
    GcfBuilder::SetDirectoryField(Archive, 7, GcfBuilder::EDirField::FirstChild, 7);
    const std::string sDamaged = TempDir.filePath(QStringLiteral("damaged.gcf")).toStdString();
    ASSERT_TRUE(GcfBuilder::WriteFile(sDamaged, Archive.Bytes));
    CGCF Damaged;
    ASSERT_TRUE(Damaged.Open(sDamaged.c_str()));

    bool bComplete = true;
    const Indexes Matches = FindMatchingItems(Damaged, QStringLiteral("e"), &bComplete);
    EXPECT_FALSE(bComplete);
    ASSERT_GE(Matches.size(), 3u);
    EXPECT_EQ(Indexes(Matches.begin(), Matches.begin() + 3), (Indexes{2, 3, 6}));
}

TEST(SearchResultLine, SingularOnlyForOne)
{
    const struct
    {
        const char *szWord;
        uint64_t uiCount;
        const char *szExpected;
    } Cases[] = {
        {"map", 0, "Search for 'map' returned 0 results."},
        {"map", 1, "Search for 'map' returned 1 result."},
        {"map", 2, "Search for 'map' returned 2 results."},
        {" Map ", 1234, "Search for ' Map ' returned 1234 results."},  // as typed, no grouping
        {"caf\xE9", 11, "Search for 'caf\xE9' returned 11 results."},  // bytes kept
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(SearchResultLine(Case.szWord, Case.uiCount), Case.szExpected);
}
