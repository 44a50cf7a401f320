#include "settings/CFormPlacement.h"

#include "settings/CConfigFile.h"

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
