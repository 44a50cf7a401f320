// SPDX-License-Identifier: MIT
// The window's width arithmetic and the context menu rules.

#include "window/LayoutRules.h"
#include "window/MenuRules.h"

#include <gtest/gtest.h>

using namespace Larkspur;

namespace
{

TEST(LayoutRulesTest, PanelWidthsAreFifthsWithAMinimum)
{
    struct SCase
    {
        int iClient;
        SPanelWidths Expected;
    };
    const SCase Cases[] = {
        {1000, {400, 200, 200, 200}}, {40, {20, 10, 10, 10}}, {0, {20, 10, 10, 10}},
        {-5, {20, 10, 10, 10}},       {54, {20, 10, 10, 10}}, {592, {236, 118, 118, 118}},
    };
    for (const SCase &Case : Cases)
    {
        const SPanelWidths Widths = PanelWidths(Case.iClient);
        EXPECT_EQ(Widths.iFile, Case.Expected.iFile) << Case.iClient;
        EXPECT_EQ(Widths.iFileSize, Case.Expected.iFileSize) << Case.iClient;
        EXPECT_EQ(Widths.iGCFVersion, Case.Expected.iGCFVersion) << Case.iClient;
        EXPECT_EQ(Widths.iUsedBlocks, Case.Expected.iUsedBlocks) << Case.iClient;
    }
}

TEST(LayoutRulesTest, PanelsStandEdgeToEdgeFromTheLeft)
{
    const std::array<QRect, 4> Geometries = PanelGeometries(QRect(3, 1, 1004, 20));
    EXPECT_EQ(Geometries[0], QRect(3, 1, 400, 20));
    EXPECT_EQ(Geometries[1], QRect(403, 1, 200, 20));
    EXPECT_EQ(Geometries[2], QRect(603, 1, 200, 20));
    EXPECT_EQ(Geometries[3], QRect(803, 1, 200, 20));
}

// The item list: half for the name, a quarter each for size and type; the
// search results: a third for the name and for the location, a sixth each
// for size and type. Nothing is ever negative.
TEST(LayoutRulesTest, ColumnWidthsAreHalfAndQuartersOrThirdsAndSixths)
{
    struct SCase
    {
        int iClient;
        bool bLocation;
        int iName, iOther, iLocation;
    };
    for (const SCase &Case : {SCase{403, false, 200, 100, 0}, SCase{389, false, 194, 97, 0},
                              SCase{605, false, 302, 151, 0}, SCase{3, false, 0, 0, 0}, SCase{0, false, 0, 0, 0},
                              SCase{-20, false, 0, 0, 0}, SCase{605, true, 200, 100, 200}, SCase{5, true, 0, 0, 0},
                              SCase{-6, true, 0, 0, 0}})
    {
        const SColumnWidths Widths = ColumnWidths(Case.iClient, Case.bLocation);
        EXPECT_EQ(Widths.iName, Case.iName) << Case.iClient << " " << Case.bLocation;
        EXPECT_EQ(Widths.iSize, Case.iOther) << Case.iClient << " " << Case.bLocation;
        EXPECT_EQ(Widths.iType, Case.iOther) << Case.iClient << " " << Case.bLocation;
        EXPECT_EQ(Widths.iLocation, Case.iLocation) << Case.iClient << " " << Case.bLocation;
    }
}

TEST(MenuRulesTest, TreeMenuShowsFolderOrFileItems)
{
    const STreeMenuItems Folder = TreeMenuItems(EItemType::Folder);
    EXPECT_FALSE(Folder.bShellExecute);
    EXPECT_TRUE(Folder.bSpace1 && Folder.bExpandAll && Folder.bCollapseAll);
    const STreeMenuItems File = TreeMenuItems(EItemType::File);
    EXPECT_TRUE(File.bShellExecute);
    EXPECT_FALSE(File.bSpace1 || File.bExpandAll || File.bCollapseAll);
}

TEST(MenuRulesTest, ListMenuShellExecuteForOneFile)
{
    struct SCase
    {
        EItemType eType;
        int iSelected;
        bool bShown;
    };
    for (const SCase &Case : {SCase{EItemType::File, 1, true}, SCase{EItemType::File, 0, true},
                              SCase{EItemType::File, 2, false}, SCase{EItemType::File, 3, false},
                              SCase{EItemType::Folder, 1, false}, SCase{EItemType::Folder, 3, false}})
        EXPECT_EQ(ListMenuShowsShellExecute(Case.eType, Case.iSelected), Case.bShown)
            << int(Case.eType) << " " << Case.iSelected;
}

TEST(MenuRulesTest, ConsoleMenuNeedsTextAndSelection)
{
    for (const bool bText : {false, true})
        for (const bool bSelection : {false, true})
        {
            const SConsoleMenuState State = ConsoleMenuState(bText, bSelection);
            EXPECT_EQ(State.bSelectAll, bText);
            EXPECT_EQ(State.bCopy, bSelection);
        }
}

}  // namespace
