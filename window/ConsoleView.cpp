// SPDX-License-Identifier: MIT
#include "window/ConsoleView.h"

#include "window/Contrast.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocumentFragment>

#include <vector>

namespace Larkspur
{

namespace
{

// Each line remembers its kind, so that a change of palette can draw it again.
constexpr int LINE_COLOR_PROPERTY = QTextFormat::UserProperty;

}  // namespace

QColor ReadableColor(SLineRgb Color, const QColor &Background)
{
    const SLineRgb Rgb =
        ReadableOn(Color, {uint8_t(Background.red()), uint8_t(Background.green()), uint8_t(Background.blue())});
    return QColor(Rgb.uiRed, Rgb.uiGreen, Rgb.uiBlue);
}

GCFConsole::GCFConsole(QWidget *lpParent) : QPlainTextEdit(lpParent)
{
    setReadOnly(true);
    // Nothing is ever typed here; an undo history would only keep a copy of
    // every line written.
    setUndoRedoEnabled(false);
}

QColor GCFConsole::LineColor(ELineColor eColor) const
{
    return ReadableColor(LineColorRgb(eColor), palette().color(QPalette::Base));
}

void GCFConsole::AppendLine(const QString &sLine, ELineColor eColor)
{
    if (bHolding)
    {
        HeldLines.push_back({sLine, eColor});
        return;
    }
    QTextCursor End(document());
    End.movePosition(QTextCursor::End);
    InsertLine(End, sLine, eColor);
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

void GCFConsole::InsertLine(QTextCursor &End, const QString &sLine, ELineColor eColor)
{
    QTextCharFormat Format;
    Format.setForeground(LineColor(eColor));
    Format.setProperty(LINE_COLOR_PROPERTY, int(eColor));
    End.insertText(sLine + QLatin1Char('\n'), Format);
}

void GCFConsole::HoldLines(bool bHold)
{
    if (!bHold)
        ShowHeldLines();
    bHolding = bHold;
}

void GCFConsole::ShowHeldLines()
{
    if (HeldLines.empty())
        return;
    QTextCursor End(document());
    End.movePosition(QTextCursor::End);
    End.beginEditBlock();
    // Lines of one colour in a row (most of them) go in as one text.
    QString sLines;
    for (size_t uiLine = 0; uiLine < HeldLines.size(); ++uiLine)
    {
        const SHeldLine &Line = HeldLines[uiLine];
        if (!sLines.isEmpty())
            sLines += QLatin1Char('\n');
        sLines += Line.sLine;
        if (uiLine + 1 == HeldLines.size() || HeldLines[uiLine + 1].eColor != Line.eColor)
        {
            InsertLine(End, sLines, Line.eColor);
            sLines.clear();
        }
    }
    End.endEditBlock();
    HeldLines.clear();
    verticalScrollBar()->setValue(verticalScrollBar()->maximum());
}

QMimeData *GCFConsole::createMimeDataFromSelection() const
{
    auto *lpData = new QMimeData;
    lpData->setText(textCursor().selection().toPlainText());
    return lpData;
}

void GCFConsole::contextMenuEvent(QContextMenuEvent *lpEvent)
{
    // The Menu key and Shift+F10 arrive as keys (below); some platforms also
    // send them as a menu request, which must not open the menu twice.
    if (lpEvent->reason() == QContextMenuEvent::Mouse)
        emit MouseMenu(lpEvent->pos());
    else
        lpEvent->ignore();
}

void GCFConsole::keyPressEvent(QKeyEvent *lpEvent)
{
    const EViewKey eKey = ViewKeyCommand(lpEvent->key(), lpEvent->modifiers());
    if (eKey == EViewKey::ContextMenu)
    {
        emit KeyDown(eKey);
        return;
    }
    QPlainTextEdit::keyPressEvent(lpEvent);
}

void GCFConsole::changeEvent(QEvent *lpEvent)
{
    QPlainTextEdit::changeEvent(lpEvent);
    if (lpEvent->type() == QEvent::PaletteChange)
        RecolorLines();
}

void GCFConsole::RecolorLines()
{
    // The runs are gathered first: recolouring merges neighbouring runs of
    // one colour, which would move the walk's ground under it.
    struct SRun
    {
        int iStart, iLength;
        ELineColor eColor;
    };
    std::vector<SRun> Runs;
    for (QTextBlock Block = document()->begin(); Block.isValid(); Block = Block.next())
    {
        for (auto Fragment = Block.begin(); !Fragment.atEnd(); ++Fragment)
        {
            const QTextFragment Run = Fragment.fragment();
            if (Run.charFormat().hasProperty(LINE_COLOR_PROPERTY))
                Runs.push_back({Run.position(), Run.length(),
                                ELineColor(Run.charFormat().intProperty(LINE_COLOR_PROPERTY))});
        }
    }
    QTextCursor Cursor(document());
    for (const SRun &Run : Runs)
    {
        QTextCharFormat Format;
        Format.setForeground(LineColor(Run.eColor));
        Cursor.setPosition(Run.iStart);
        Cursor.setPosition(Run.iStart + Run.iLength, QTextCursor::KeepAnchor);
        Cursor.mergeCharFormat(Format);
    }
}

}  // namespace Larkspur
