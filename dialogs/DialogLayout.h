#pragma once
// The dialogs are laid out in fixed pixels, drawn for a small dialog font
// (about 11 pixels high). The user's font is often larger, and then texts
// would be cut off, so a dialog stretches its whole layout, across and down
// separately, by just enough that every text it must show whole fits. With a
// small font the layout is exactly as drawn.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cmath>

namespace Larkspur
{

class CDialogLayout
{
public:
    explicit CDialogLayout(const QFont &Font) : Metrics(Font) {}

    // One line of sText must fit in Room, less the control's own margins
    // (iPadX across, iPadY down). A "&" marking an access key takes no room.
    void FitText(const QString &sText, QSize Room, int iPadX = 0, int iPadY = 0)
    {
        QString sShown = sText;
        sShown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
        sShown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
        Fit(Metrics.horizontalAdvance(sShown) + iPadX, Room.width(), dScaleX);
        Fit(Metrics.height() + iPadY, Room.height(), dScaleY);
    }

    int X(int iX) const { return static_cast<int>(std::lround(iX * dScaleX)); }
    int Y(int iY) const { return static_cast<int>(std::lround(iY * dScaleY)); }
    QPoint operator()(QPoint Point) const { return QPoint(X(Point.x()), Y(Point.y())); }
    QSize operator()(QSize Size) const { return QSize(X(Size.width()), Y(Size.height())); }
    QRect operator()(const QRect &Rect) const
    {
        // Scaled by its edges, so that neighbours that touch as drawn still touch.
        const QPoint TopLeft = (*this)(Rect.topLeft());
        return QRect(TopLeft, QPoint(X(Rect.x() + Rect.width()), Y(Rect.y() + Rect.height())) - QPoint(1, 1));
    }

    const QFontMetrics Metrics;

private:
    static void Fit(int iNeeded, int iRoom, double &dScale)
    {
        if (iRoom > 0)
            dScale = std::max(dScale, static_cast<double>(iNeeded) / iRoom);
    }

    double dScaleX = 1.0;
    double dScaleY = 1.0;
};

}  // namespace Larkspur
