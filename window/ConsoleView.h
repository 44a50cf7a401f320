// SPDX-License-Identifier: MIT
#pragma once
// The console pane: read-only lines of text, each in the colour of its kind,
// that scroll into view as they are written without taking the keyboard
// focus. Copying (the menu's Copy, Ctrl+C, a drag) gives plain text only.

#include "window/Console.h"
#include "window/KeyboardRules.h"

#include <QPlainTextEdit>

#include <vector>

namespace Larkspur
{

// Color as it is drawn on Background so that it can be read there (see
// ReadableOn): unchanged on a light background, lighter on a dark one.
QColor ReadableColor(SLineRgb Color, const QColor &Background);

class GCFConsole final : public QPlainTextEdit
{
    Q_OBJECT

public:
    explicit GCFConsole(QWidget *lpParent = nullptr);

    // Appends sLine and a line break at the end of the text, whatever the
    // user has selected, and shows the end.
    void AppendLine(const QString &sLine, ELineColor eColor);
    // While held, lines are kept back and shown together by the next
    // ShowHeldLines, in one edit of the text and one scroll: an extraction
    // writes a line for every file, and showing each line alone cost more
    // than writing the file. Ending the hold shows what was held.
    void HoldLines(bool bHold);
    void ShowHeldLines();
    // The colour in which lines of a kind are drawn on the current palette.
    QColor LineColor(ELineColor eColor) const;

signals:
    // A right-click, at a point of the viewport.
    void MouseMenu(QPoint Position);
    void KeyDown(EViewKey eKey);

protected:
    QMimeData *createMimeDataFromSelection() const override;
    void contextMenuEvent(QContextMenuEvent *lpEvent) override;
    void keyPressEvent(QKeyEvent *lpEvent) override;
    void changeEvent(QEvent *lpEvent) override;

private:
    struct SHeldLine
    {
        QString sLine;
        ELineColor eColor;
    };
    void InsertLine(QTextCursor &End, const QString &sLine, ELineColor eColor);

    bool bHolding = false;
    std::vector<SHeldLine> HeldLines;
    // Draws every line again in the colours of the current palette.
    void RecolorLines();
};

}  // namespace Larkspur
