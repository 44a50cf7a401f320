// SPDX-License-Identifier: MIT
// The row texts of an item, as the item list, the tool's list and the
// properties dialog all show them.

#include "GcfBuilder.h"
#include "archive/CGCF.h"
#include "tests/support/TestSupport.h"
#include "window/ItemTexts.h"

#include <gtest/gtest.h>

using namespace Larkspur;
using GcfBuilder::SItem;

TEST(ItemTexts, CountsSizesAndTypes)
{
    EXPECT_EQ(ItemCountToString(0), "0 Items");
    EXPECT_EQ(ItemCountToString(1), "1 Item");
    EXPECT_EQ(ItemCountToString(1234), "1234 Items");
    EXPECT_EQ(ItemCountToString(4294967295u), "4294967295 Items");
    EXPECT_EQ(ItemSizeText(EItemType::Folder, 1536), "1536 Items");
    EXPECT_EQ(ItemSizeText(EItemType::File, 1536), "1.50 KB");
    EXPECT_EQ(ItemTypeText(EItemType::Folder, "x.txt"), "Folder");
    EXPECT_EQ(ItemTypeText(EItemType::File, "x.txt"), "Text File");
}

TEST(ItemTexts, RowsReadFromTheDirectory)
{
    // The stored root name is never shown; the reader calls index 0 "root".
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(SItem::Folder(
        "stored", {SItem::Folder("one", {SItem::File("x.bsp", "xyz")}), SItem::File("caf\xE9", std::string(2048, 'c'))}));
    TestSupport::CTempDir Temp;
    ASSERT_TRUE(GcfBuilder::WriteFile(Temp / "a.gcf", Archive.Bytes));
    CGCF GCFFile;
    ASSERT_TRUE(GCFFile.Open((Temp / "a.gcf").c_str()));

    const struct
    {
        uint32_t uiIndex;
        QString sName, sSize, sType;
    } Cases[] = {
        {0, "root", "2 Items", "Folder"},
        {1, "one", "1 Item", "Folder"},
        {2, "x.bsp", "3 B", "Half-Life Level"},
        {3, QString::fromLatin1("caf\xE9"), "2.00 KB", "File"},
        {4, "", "0 B", "File"},  // beyond the directory: an empty file
    };
    for (const auto &Case : Cases)
    {
        const SItemRow Row = ReadItemRow(GCFFile, Case.uiIndex);
        EXPECT_EQ(Row.sName, Case.sName) << Case.uiIndex;
        EXPECT_EQ(ItemSizeText(Row.eType, Row.uiItemSize), Case.sSize) << Case.uiIndex;
        EXPECT_EQ(ItemTypeText(Row.eType, Row.sName), Case.sType) << Case.uiIndex;
    }
}
