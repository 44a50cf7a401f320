// SPDX-License-Identifier: MIT
#pragma once
// The dialogs are laid out in fixed pixels, drawn for a small dialog font
// (about 11 pixels high). The user's font is often larger, and then texts
// would be cut off, so a dialog stretches its whole layout, across and down
// separately, by just enough that every text it must show whole fits. With a
// small font the layout is exactly as drawn. Every dialog of the program,
// the abort dialog included, is laid out through this one helper.

#include <QFont>
#include <QFontMetrics>
#include <QRect>
#include <QSize>
#include <QString>

#include <algorithm>
#include <cmath>

namespace Larkspur
{

// Room that a push button's frame and a text box's frame take around the text.
inline constexpr int BUTTON_PAD_X = 16;
inline constexpr int BUTTON_PAD_Y = 8;
inline constexpr int TEXT_BOX_PAD_Y = 6;

// A fixed border with a close box only: no resizing, no minimize or maximize;
// the parent keeps the dialog off the task bar and centres it.
inline constexpr Qt::WindowFlags FIXED_DIALOG_FLAGS = Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                                                      Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint;

class CDialogLayout
{
public:
    explicit CDialogLayout(const QFont &Font) : Metrics(Font) {}

    // One line of sText must fit in Room, less the control's own margins
    // (iPadX across, iPadY down). A "&" marking an access key takes no room.
    void FitText(const QString &sText, QSize Room, int iPadX = 0, int iPadY = 0)
    {
        FitText(Metrics, sText, 1, Room, iPadX, iPadY);
    }
    // The same for iLines lines of sText drawn in another font than the
    // dialog's.
    void FitText(const QFontMetrics &TextMetrics, const QString &sText, int iLines, QSize Room, int iPadX = 0,
                 int iPadY = 0)
    {
        Fit(TextMetrics.horizontalAdvance(WithoutAccessMarks(sText)) + iPadX, Room.width(), dScaleX);
        Fit(TextMetrics.lineSpacing() * (iLines - 1) + TextMetrics.height() + iPadY, Room.height(), dScaleY);
    }

    // A push button's text must fit inside its frame.
    void FitButton(const QString &sText, QSize Room) { FitText(sText, Room, BUTTON_PAD_X, BUTTON_PAD_Y); }

    // A note wrapped over several lines must fit in Room: the layout widens,
    // in steps of 5% up to dMaxWidening, until the note takes no more than
    // Room's height, and grows downwards only when widening alone cannot
    // make room. Fit the other texts first: the height is measured at the
    // widest the layout has become.
    void FitWrappedText(const QString &sText, QSize Room, double dMaxWidening)
    {
        const auto WrappedHeight = [&](double dScale) {
            return Metrics.boundingRect(QRect(0, 0, int(Room.width() * dScale), 1 << 20), Qt::TextWordWrap, sText)
                .height();
        };
        double dWidening = 1.0;
        while (WrappedHeight(dWidening) > Room.height() && dWidening < dMaxWidening)
            dWidening += 0.05;
        dScaleX = std::max(dScaleX, dWidening);
        Fit(WrappedHeight(dScaleX), Room.height(), dScaleY);
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
    // The text as a label draws it: each "&" that marks an access key gone,
    // "&&" drawn as one "&".
    static QString WithoutAccessMarks(const QString &sText)
    {
        QString sShown = sText;
        sShown.replace(QStringLiteral("&&"), QStringLiteral("\x01")).remove(QLatin1Char('&'));
        sShown.replace(QLatin1Char('\x01'), QLatin1Char('&'));
        return sShown;
    }

    static void Fit(int iNeeded, int iRoom, double &dScale)
    {
        if (iRoom > 0)
            dScale = std::max(dScale, static_cast<double>(iNeeded) / iRoom);
    }

    double dScaleX = 1.0;
    double dScaleY = 1.0;
};

}  // namespace Larkspur
