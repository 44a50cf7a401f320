// SPDX-License-Identifier: MIT
// The window placement: what a move or resize records, and the order and guard of restoring it.
#include "settings/CConfigFile.h"
#include "settings/CFormPlacement.h"

#include <gtest/gtest.h>

#include <string>

using namespace Larkspur;

namespace
{

TEST(Placement, RecordsOnlyTheNormalStatesBounds)
{
    CFormPlacement Placement;
    Placement.Backup(false, false, QPoint(10, 20), QSize(600, 449));
    Placement.Backup(false, true, QPoint(0, 0), QSize(1920, 1080));        // maximized: the state only
    Placement.Backup(true, false, QPoint(-32000, -32000), QSize(160, 28));  // minimized: nothing
    EXPECT_EQ(Placement.FormSaveLocation, QPoint(10, 20));
    EXPECT_EQ(Placement.FormSaveSize, QSize(600, 449));
    EXPECT_EQ(Placement.FormSaveWindowState, EWindowState::Maximized);
}

// A fake window whose every change raises a move or resize event, as a real one can.
TEST(Placement, RestoresLocationSizeThenStateWithoutRecordingItself)
{
    CFormPlacement Placement;
    Placement.Backup(false, false, QPoint(1, 2), QSize(3, 4));  // the first placement
    SConfigValues Values;
    Values.iX = 22;
    Values.iWidth = 800;
    Values.eWindowState = EWindowState::Maximized;
    Placement.Apply(Values);

    QPoint Location(1, 2);
    QSize Size(3, 4);
    bool bMaximized = false;
    std::string sSteps;
    const auto RaiseEvent = [&](char cStep) {
        sSteps += cStep;
        Placement.Backup(false, bMaximized, Location, Size);
        EXPECT_EQ(Placement.FormSaveSize, QSize(800, 4));  // never the half-restored size
    };
    Placement.Restore([&](QPoint NewLocation) { Location = NewLocation; RaiseEvent('L'); },
                      [&](QSize NewSize) { Size = NewSize; RaiseEvent('S'); },
                      [&](EWindowState eState) { bMaximized = eState == EWindowState::Maximized; RaiseEvent('M'); });
    EXPECT_EQ(sSteps, "LSM");
    EXPECT_FALSE(Placement.bRestoring);
    EXPECT_TRUE(Location == QPoint(22, 2) && Size == QSize(800, 4) && bMaximized);

    SConfigValues Stored;
    Placement.Store(Stored);
    EXPECT_TRUE(Stored.iX == 22 && Stored.iY == 2 && Stored.iWidth == 800 && Stored.iHeight == 4);
    EXPECT_EQ(Stored.eWindowState, EWindowState::Maximized);
}

// A saved placement is cut to the screen that shows the window, and one
// that no screen shows is brought onto the nearest screen.
TEST(Placement, FitsTheScreens)
{
    const QList<QRect> Screens = {QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const struct
    {
        QPoint Location;
        QSize Size;
        QPoint ExpectedLocation;
        QSize ExpectedSize;
    } Cases[] = {
        {{22, 29}, {600, 449}, {22, 29}, {600, 449}},                            // untouched
        {{2000, 10}, {2147483647, 2147483647}, {2000, 10}, {1280, 1024}},        // cut to its screen
        {{-30000, -30000}, {600, 449}, {0, 0}, {600, 449}},                      // back on the nearest
        {{9000, 500}, {800, 600}, {2400, 424}, {800, 600}},                      // right of the second
        {{-30000, 0}, {2147483647, 2147483647}, {0, 0}, {1920, 1080}},           // huge and far off
    };
    for (const auto &Case : Cases)
    {
        CFormPlacement Placement;
        Placement.FormSaveLocation = Case.Location;
        Placement.FormSaveSize = Case.Size;
        Placement.FitToScreens(Screens);
        EXPECT_EQ(Placement.FormSaveLocation, Case.ExpectedLocation) << Case.Location.x() << "," << Case.Location.y();
        EXPECT_EQ(Placement.FormSaveSize, Case.ExpectedSize) << Case.Location.x() << "," << Case.Location.y();
    }
}

}  // namespace
