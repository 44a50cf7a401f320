// SPDX-License-Identifier: MIT
// Room in the temporary folder: an item's bytes past the archive's 32-bit
// sums, and the refusal when they do not fit.
#include "extract/TempSpace.h"
#include "tests/support/ExtractionSupport.h"

using namespace ExtractionTest;
using GcfBuilder::SItem;

namespace
{

TEST(TempSpaceTest, AFolderOfMoreThan4GiBNeedsAllOfIt)
{
    // Two files recorded as 3 GiB each: 6 GiB, where a 32-bit sum gives 2.
    SItem Large = SItem::File("large.bin", "x");
    Large.bOverrideItemSize = true;
    Large.uiItemSize = 3u << 30;
    const CArchiveCase Case(SItem::Folder("r", {SItem::Folder("big", {Large, Large}), SItem::File("b.txt", "12")}));
    EXPECT_EQ(ItemBytes(Case.GCFFile, Case.Index("\\root\\big")), 6ull << 30);
    EXPECT_EQ(ItemBytes(Case.GCFFile, Case.Index("\\root\\b.txt")), 2u);
}

TEST(TempSpaceTest, AnItemThatDoesNotFitIsRefusedWithItsSizes)
{
    EXPECT_FALSE(NoRoomText("/c", "x", 100, 100).has_value());
    EXPECT_EQ(NoRoomText("/c/larkspur-1", "x.bsp", 101, 100),
              "Not enough free space in /c/larkspur-1 for x.bsp: 101 B needed, 100 B free.");
    EXPECT_EQ(NoRoomText("/c", "big", 6ull << 30, 98566144), "Not enough free space in /c for big: 6.00 GB needed, "
                                                              "94.00 MB free.");
}

}  // namespace
