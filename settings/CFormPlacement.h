// SPDX-License-Identifier: MIT
#pragma once
// The main window's placement as the settings file keeps it: the outer
// position and size of its last normal state, and whether it was maximized.
// The window feeds every move and resize through Backup and puts itself back
// with Restore; the bounds stay those of the normal state while maximized,
// so un-maximizing after a restart returns the window to them.

#include <QList>
#include <QPoint>
#include <QRect>
#include <QSize>

#include <functional>

namespace Larkspur
{

struct SConfigValues;

enum class EWindowState
{
    Normal,
    Maximized,  // a minimized window is never recorded
};

class CFormPlacement
{
public:
    QPoint FormSaveLocation{0, 0};
    QSize FormSaveSize{0, 0};
    EWindowState FormSaveWindowState = EWindowState::Normal;
    // Set only while Restore runs: the moves and resizes it makes raise the
    // window's own events, which must not record a half-restored placement.
    bool bRestoring = false;

    // Records the window's current placement; called on every move and resize
    // and once before the settings file is read (the defaults it leaves).
    void Backup(bool bMinimized, bool bMaximized, QPoint Location, QSize Size);

    // Applies the saved placement in this order: location, size, state. The
    // normal bounds go first so that a window restored as maximized still
    // un-maximizes to them. Backup is shut off while the steps run.
    void Restore(const std::function<void(QPoint)> &SetLocation, const std::function<void(QSize)> &SetSize,
                 const std::function<void(EWindowState)> &SetWindowState);

    // Brings the saved placement onto the screens (their available areas):
    // the size is cut to the screen that shows most of the window, and a
    // window that no screen shows at all is moved onto the nearest one. A
    // hand-edited or stale file can then neither make a window larger than
    // its screen nor put it where it is never seen.
    void FitToScreens(const QList<QRect> &Screens);

    // Takes over what the settings file held; a value the file lacked keeps
    // the placement recorded before it was read.
    void Apply(const SConfigValues &Values);
    // Puts the placement into the values to be written.
    void Store(SConfigValues &Values) const;
};

}  // namespace Larkspur
