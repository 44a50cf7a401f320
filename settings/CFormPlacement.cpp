// SPDX-License-Identifier: MIT
#include "settings/CFormPlacement.h"

#include "settings/CConfigFile.h"

#include <algorithm>
#include <cstdint>

namespace Larkspur
{

void CFormPlacement::Backup(bool bMinimized, bool bMaximized, QPoint Location, QSize Size)
{
    if (bRestoring || bMinimized)
        return;
    if (!bMaximized)
    {
        FormSaveLocation = Location;
        FormSaveSize = Size;
    }
    FormSaveWindowState = bMaximized ? EWindowState::Maximized : EWindowState::Normal;
}

void CFormPlacement::Restore(const std::function<void(QPoint)> &SetLocation,
                             const std::function<void(QSize)> &SetSize,
                             const std::function<void(EWindowState)> &SetWindowState)
{
    bRestoring = true;
    SetLocation(FormSaveLocation);
    SetSize(FormSaveSize);
    SetWindowState(FormSaveWindowState);
    bRestoring = false;
}

namespace
{

// Rectangles in 64 bits: a saved size may be anything up to 2^31 - 1, which
// QRect's own arithmetic would overflow.
struct SSpan
{
    int64_t iLeft, iTop, iRight, iBottom;  // right and bottom one past the edge
};

SSpan Span(const QRect &Rect)
{
    return {Rect.x(), Rect.y(), int64_t{Rect.x()} + Rect.width(), int64_t{Rect.y()} + Rect.height()};
}

int64_t Overlap(int64_t iStart1, int64_t iEnd1, int64_t iStart2, int64_t iEnd2)
{
    return std::max<int64_t>(0, std::min(iEnd1, iEnd2) - std::max(iStart1, iStart2));
}

int64_t Gap(int64_t iStart1, int64_t iEnd1, int64_t iStart2, int64_t iEnd2)
{
    return std::max<int64_t>({0, iStart2 - iEnd1, iStart1 - iEnd2});
}

// The screen that shows the most of the rectangle at Location of Size, or,
// when none shows any of it, the nearest one; iArea is what it shows.
qsizetype PickScreen(const QList<QRect> &Screens, QPoint Location, QSize Size, int64_t &iArea)
{
    const SSpan Window{Location.x(), Location.y(), Location.x() + int64_t{std::max(Size.width(), 1)},
                       Location.y() + int64_t{std::max(Size.height(), 1)}};
    qsizetype iBest = 0;
    int64_t iBestArea = -1, iBestGap = INT64_MAX;
    for (qsizetype i = 0; i < Screens.size(); ++i)
    {
        const SSpan Screen = Span(Screens[i]);
        const int64_t iShown = Overlap(Window.iLeft, Window.iRight, Screen.iLeft, Screen.iRight) *
                               Overlap(Window.iTop, Window.iBottom, Screen.iTop, Screen.iBottom);
        const int64_t iDx = Gap(Window.iLeft, Window.iRight, Screen.iLeft, Screen.iRight);
        const int64_t iDy = Gap(Window.iTop, Window.iBottom, Screen.iTop, Screen.iBottom);
        const int64_t iGap = iDx * iDx + iDy * iDy;
        if (iShown > iBestArea || (iShown == 0 && iBestArea == 0 && iGap < iBestGap))
        {
            iBest = i;
            iBestArea = iShown;
            iBestGap = iGap;
        }
    }
    iArea = iBestArea;
    return iBest;
}

}  // namespace

void CFormPlacement::FitToScreens(const QList<QRect> &Screens)
{
    if (Screens.isEmpty())
        return;
    int64_t iArea = 0;
    const auto FitSize = [&](const QRect &Screen) {
        FormSaveSize.setWidth(std::min(FormSaveSize.width(), Screen.width()));
        FormSaveSize.setHeight(std::min(FormSaveSize.height(), Screen.height()));
    };
    FitSize(Screens[PickScreen(Screens, FormSaveLocation, FormSaveSize, iArea)]);
    // Cut to its screen, a huge window may no longer reach any screen.
    const QRect &Screen = Screens[PickScreen(Screens, FormSaveLocation, FormSaveSize, iArea)];
    if (iArea > 0)
        return;
    FitSize(Screen);
    const int iWidth = std::max(FormSaveSize.width(), 0), iHeight = std::max(FormSaveSize.height(), 0);
    FormSaveLocation.setX(std::clamp(FormSaveLocation.x(), Screen.x(), Screen.x() + Screen.width() - iWidth));
    FormSaveLocation.setY(std::clamp(FormSaveLocation.y(), Screen.y(), Screen.y() + Screen.height() - iHeight));
}

void CFormPlacement::Apply(const SConfigValues &Values)
{
    if (Values.iX)
        FormSaveLocation.setX(*Values.iX);
    if (Values.iY)
        FormSaveLocation.setY(*Values.iY);
    if (Values.iWidth)
        FormSaveSize.setWidth(*Values.iWidth);
    if (Values.iHeight)
        FormSaveSize.setHeight(*Values.iHeight);
    if (Values.eWindowState)
        FormSaveWindowState = *Values.eWindowState;
}

void CFormPlacement::Store(SConfigValues &Values) const
{
    Values.iX = FormSaveLocation.x();
    Values.iY = FormSaveLocation.y();
    Values.iWidth = FormSaveSize.width();
    Values.iHeight = FormSaveSize.height();
    Values.eWindowState = FormSaveWindowState;
}

}  // namespace Larkspur
