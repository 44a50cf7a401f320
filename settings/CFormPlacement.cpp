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

}  // namespace

void CFormPlacement::FitToScreens(const QList<QRect> &Screens)
{
    if (Screens.isEmpty())
        return;
    const int64_t iWidth = std::max(FormSaveSize.width(), 1), iHeight = std::max(FormSaveSize.height(), 1);
    const SSpan Window{FormSaveLocation.x(), FormSaveLocation.y(), FormSaveLocation.x() + iWidth,
                       FormSaveLocation.y() + iHeight};
    // The screen that shows the most of the window, else the nearest one.
    qsizetype iBest = 0;
    int64_t iBestArea = -1, iBestGap = INT64_MAX;
    for (qsizetype i = 0; i < Screens.size(); ++i)
    {
        const SSpan Screen = Span(Screens[i]);
        const int64_t iArea = Overlap(Window.iLeft, Window.iRight, Screen.iLeft, Screen.iRight) *
                              Overlap(Window.iTop, Window.iBottom, Screen.iTop, Screen.iBottom);
        const int64_t iDx = Gap(Window.iLeft, Window.iRight, Screen.iLeft, Screen.iRight);
        const int64_t iDy = Gap(Window.iTop, Window.iBottom, Screen.iTop, Screen.iBottom);
        const int64_t iGap = iDx * iDx + iDy * iDy;
        if (iArea > iBestArea || (iArea == 0 && iBestArea == 0 && iGap < iBestGap))
        {
            iBest = i;
            iBestArea = iArea;
            iBestGap = iGap;
        }
    }
    const QRect &Screen = Screens[iBest];
    FormSaveSize.setWidth(std::min(FormSaveSize.width(), Screen.width()));
    FormSaveSize.setHeight(std::min(FormSaveSize.height(), Screen.height()));
    if (iBestArea == 0)
    {
        const int iFitWidth = std::max(FormSaveSize.width(), 0), iFitHeight = std::max(FormSaveSize.height(), 0);
        FormSaveLocation.setX(std::clamp(FormSaveLocation.x(), Screen.x(), Screen.x() + Screen.width() - iFitWidth));
        FormSaveLocation.setY(
            std::clamp(FormSaveLocation.y(), Screen.y(), Screen.y() + Screen.height() - iFitHeight));
    }
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
