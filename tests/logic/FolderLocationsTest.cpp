// SPDX-License-Identifier: MIT
// The Location column of search results: where each item lies, cut in the
// middle to a bounded length however deep and long its path, and each
// folder's place in the tree for sorting.

#include "tests/support/DataSupport.h"

#include "window/FolderLocations.h"
#include "window/ShownText.h"
#include "window/Utils.h"

#include <functional>

using namespace Larkspur;
using namespace DataTest;
using GcfBuilder::SItem;

namespace
{

qsizetype Utf8Size(const QString &sText)
{
    return sText.toUtf8().size();
}

TEST(ShortenedPathTest, AShownTextKeepsBothEndsWithinTheBytesAndCutsNoCharacter)
{
    const QString sPair = QStringLiteral("\U0001F426");
    const struct
    {
        QString sText;
        qsizetype iMaxBytes;
        QString sShown;
    } Cases[] = {
        {"abcdefgh", 8, "abcdefgh"},
        {"abcdefghi", 8, "ab...ghi"},
        {"abcdefghij", 9, "abc...hij"},
        {QStringLiteral("ééééé"), 8, QStringLiteral("é...é")},  // two bytes each
        {"ab" + sPair + "cdefgh" + sPair + "z", 13, "ab..." + sPair + "z"},
        {"ab" + sPair + "cdefgh" + sPair + "z", 12, "ab..." + sPair + "z"},
        {"ab" + sPair + "cdefgh" + sPair + "z", 9, "ab...z"},
        {"abcdef", 2, "..."},
        {"", 0, ""},
    };
    for (const auto &Case : Cases)
    {
        EXPECT_EQ(ShortenedPath(Case.sText, size_t(Case.iMaxBytes)), Case.sShown) << Case.sText.toStdString();
        EXPECT_LE(Utf8Size(ShortenedPath(Case.sText, size_t(Case.iMaxBytes))), std::max<qsizetype>(Case.iMaxBytes, 3));
    }
}

// Folders nested iDepth deep below the root, named by Name(level), with one
// file at the bottom (the archive's last item).
SItem Nested(int iDepth, const std::function<std::string(int)> &Name)
{
    SItem Item = SItem::File("x.bsp", "x");
    for (int iLevel = iDepth; iLevel-- > 0;)
    {
        SItem Folder = SItem::Folder(Name(iLevel));
        Folder.Children.push_back(std::move(Item));
        Item = std::move(Folder);
    }
    return SItem::Folder("root", {Item});
}

CFolderLocations Locations(const CDataArchive &Archive)
{
    std::vector<SDirectoryWalkItem> Items;
    EXPECT_TRUE(Archive.GCF.WalkDirectory(0, Items));
    return CFolderLocations(Archive.GCF, std::move(Items));
}

TEST(FolderLocationsTest, ShowWhereItemsLieAndWhereTheirFoldersStand)
{
    CDataArchive Archive(SItem::Folder(
        "root", {SItem::Folder("maps", {SItem::Folder("old", {SItem::File("x.bsp", "x")}), SItem::File("y.bsp", "y")}),
                 SItem::File("z.bsp", "z")}));
    ASSERT_TRUE(Archive.Open());
    const CFolderLocations Found = Locations(Archive);
    const struct
    {
        const char *szPath, *szLocation;
        uint32_t uiPlace;  // the folder's slot in the walk, from 1
    } Cases[] = {
        {"\\root", "", 0},
        {"\\root\\maps", "\\root", 1},
        {"\\root\\maps\\old", "\\root\\maps", 2},
        {"\\root\\maps\\old\\x.bsp", "\\root\\maps\\old", 3},
        {"\\root\\maps\\y.bsp", "\\root\\maps", 2},
        {"\\root\\z.bsp", "\\root", 1},
    };
    for (const auto &Case : Cases)
    {
        const uint32_t uiIndex = Archive.Index(Case.szPath);
        EXPECT_EQ(Found.Location(uiIndex), QLatin1String(Case.szLocation)) << Case.szPath;
        EXPECT_EQ(Found.FolderPlace(uiIndex), Case.uiPlace) << Case.szPath;
    }
    EXPECT_EQ(Found.Location(9999), QString());
    EXPECT_EQ(Found.FolderPlace(9999), 0u);
}

TEST(FolderLocationsTest, DeepAndLongPathsShowTheirEndsWithinTheBytes)
{
    const struct
    {
        const char *szWhat;
        int iDepth;
        std::function<std::string(int)> Name;
    } Cases[] = {
        {"just short enough", 1, [](int) { return std::string(4096 - 6, 'a'); }},
        {"one byte too long", 1, [](int) { return std::string(4096 - 5, 'a'); }},
        {"deep, long names", 300, [](int iLevel) { return std::to_string(iLevel) + std::string(200, 'n'); }},
        {"deep, one-letter names", 6000, [](int iLevel) { return std::string(1, char('a' + iLevel % 26)); }},
        {"names as long as names go", 3,
         [](int iLevel) { return iLevel ? std::string(4000, 'h') + std::to_string(iLevel) : "top"; }},
        {"two-byte characters", 40, [](int iLevel) { return std::to_string(iLevel) + std::string(100, 'x') + "\xC3\xA9"; }},
        {"Latin-1 names", 40, [](int iLevel) { return std::to_string(iLevel) + std::string(101, '\xE9'); }},
    };
    for (const auto &Case : Cases)
    {
        CDataArchive Archive(Nested(Case.iDepth, Case.Name));
        ASSERT_TRUE(Archive.Open());
        QString sFolder = QStringLiteral("\\root");
        for (int iLevel = 0; iLevel < Case.iDepth; ++iLevel)
            sFolder += QLatin1Char('\\') + Utils::DecodeName(Case.Name(iLevel));
        const uint32_t uiFile = uint32_t(Archive.Archive.Layout.Paths.size() - 1);
        const CFolderLocations Found = Locations(Archive);
        // Built from the two ends alone, it is what cutting the whole path gives.
        const QString sLocation = Found.Location(uiFile);
        EXPECT_EQ(sLocation, ShortenedPath(sFolder)) << Case.szWhat;
        EXPECT_LE(Utf8Size(sLocation), qsizetype(MAX_SHOWN_PATH_BYTES)) << Case.szWhat;
        EXPECT_EQ(sLocation.contains(QLatin1String("...")), Utf8Size(sFolder) > qsizetype(MAX_SHOWN_PATH_BYTES)) << Case.szWhat;
        EXPECT_EQ(Found.FolderPlace(uiFile), uint32_t(Case.iDepth + 1)) << Case.szWhat;
    }
}

}  // namespace
