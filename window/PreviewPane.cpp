// SPDX-License-Identifier: MIT
#include "window/PreviewPane.h"

#include "window/ConsoleView.h"
#include "window/Contrast.h"

#include <QEvent>
#include <QFontDatabase>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QVBoxLayout>

namespace Larkspur
{

namespace
{

QLabel *AddNoteLabel(const char *szName)
{
    auto *lpLabel = new QLabel;
    lpLabel->setObjectName(QLatin1String(szName));
    // Archive names and texts are shown, never read as markup.
    lpLabel->setTextFormat(Qt::PlainText);
    lpLabel->setWordWrap(true);
    // A long name or note wraps, or is cut, rather than widening the pane.
    lpLabel->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    lpLabel->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return lpLabel;
}

// Only the text's colour is the label's own; the rest follows the pane.
void SetTextColor(QLabel *lpLabel, QColor Color)
{
    QPalette Palette;
    Palette.setColor(QPalette::WindowText, Color);
    lpLabel->setPalette(Palette);
}

SLineRgb Rgb(const QColor &Color)
{
    return {uint8_t(Color.red()), uint8_t(Color.green()), uint8_t(Color.blue())};
}

}  // namespace

// Draws the picture whole: at its own size where it fits, otherwise scaled
// down to the room there is, in the middle of it.
class GCFPreviewPane::CImageView final : public QWidget
{
public:
    CImageView() { setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored); }

    void SetImage(const QImage &NewImage)
    {
        Image = NewImage;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        if (Image.isNull())
            return;
        QSize Size = Image.size();
        if (Size.width() > width() || Size.height() > height())
            Size.scale(size(), Qt::KeepAspectRatio);
        QPainter Painter(this);
        Painter.setRenderHint(QPainter::SmoothPixmapTransform);
        Painter.drawImage(QRect(QPoint((width() - Size.width()) / 2, (height() - Size.height()) / 2), Size), Image);
    }

private:
    QImage Image;
};

GCFPreviewPane::GCFPreviewPane(QWidget *lpParent) : QWidget(lpParent)
{
    setObjectName(QStringLiteral("pnlPreview"));
    setAccessibleName(QStringLiteral("Preview"));
    LimitPictureAllocation();
    Decoder.setMaxThreadCount(1);

    lblPreviewName = AddNoteLabel("lblPreviewName");
    QFont Bold = lblPreviewName->font();
    Bold.setBold(true);
    lblPreviewName->setFont(Bold);
    lblPreviewName->setWordWrap(false);
    lblPreviewNote = AddNoteLabel("lblPreviewNote");
    lblPreviewDamage = AddNoteLabel("lblPreviewDamage");

    lblPreviewEmpty = new QLabel(QStringLiteral("Select a file to see its contents here."));
    lblPreviewEmpty->setObjectName(QStringLiteral("lblPreviewEmpty"));
    lblPreviewEmpty->setAlignment(Qt::AlignCenter);
    lblPreviewEmpty->setWordWrap(true);

    txtPreview = new QPlainTextEdit;
    txtPreview->setObjectName(QStringLiteral("txtPreview"));
    txtPreview->setAccessibleName(QStringLiteral("Preview"));
    txtPreview->setReadOnly(true);
    txtPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // An undo history would keep a second copy of the text.
    txtPreview->setUndoRedoEnabled(false);

    imgPreview = new CImageView;
    imgPreview->setObjectName(QStringLiteral("imgPreview"));

    stkPreview = new QStackedWidget;
    stkPreview->setObjectName(QStringLiteral("stkPreview"));
    stkPreview->addWidget(lblPreviewEmpty);
    stkPreview->addWidget(txtPreview);
    stkPreview->addWidget(imgPreview);

    auto *lpLayout = new QVBoxLayout(this);
    lpLayout->setContentsMargins(4, 2, 0, 0);
    lpLayout->setSpacing(2);
    lpLayout->addWidget(lblPreviewName);
    lpLayout->addWidget(lblPreviewNote);
    lpLayout->addWidget(lblPreviewDamage);
    lpLayout->addWidget(stkPreview, 1);
    ColorNotes();
    ClearPreview();
}

GCFPreviewPane::~GCFPreviewPane()
{
    StopDecoding();
    Decoder.waitForDone();
}

void GCFPreviewPane::ShowPreview(const QString &sName, SItemPreview Preview)
{
    StopDecoding();
    Image = QImage();
    lblPreviewName->setText(sName);
    lblPreviewName->setVisible(true);
    if (Preview.eKind == EPreviewKind::Image)
    {
        DecodingPreview = std::move(Preview);
        ShowNotes(QString(), QString());
        eKind = EPreviewKind::None;
        txtPreview->clear();
        imgPreview->SetImage(QImage());
        stkPreview->setCurrentWidget(imgPreview);
        StartDecoding(sName);
        return;
    }
    ShowNotes(Preview.sNote, Preview.sDamage);
    if (Preview.eKind == EPreviewKind::None)
        ClearPreview();
    else
        ShowTextOrHex(Preview);
}

void GCFPreviewPane::ShowNotes(const QString &sNote, const QString &sDamage)
{
    lblPreviewNote->setText(sNote);
    lblPreviewNote->setVisible(!sNote.isEmpty());
    lblPreviewDamage->setText(sDamage);
    lblPreviewDamage->setVisible(!sDamage.isEmpty());
}

void GCFPreviewPane::ShowTextOrHex(SItemPreview &Preview)
{
    eKind = Preview.eKind;
    imgPreview->SetImage(QImage());
    // Text wraps at the pane's edge; a hex dump keeps its columns.
    txtPreview->setLineWrapMode(eKind == EPreviewKind::Text ? QPlainTextEdit::WidgetWidth : QPlainTextEdit::NoWrap);
    // The dump's last line end would show as one more, empty line.
    if (eKind == EPreviewKind::Hex && Preview.sText.endsWith(QLatin1Char('\n')))
        Preview.sText.chop(1);
    // The whole text at once: the view lays out only the lines it shows,
    // and the longest line is a few thousand characters (ItemPreview).
    txtPreview->setPlainText(Preview.sText);
    stkPreview->setCurrentWidget(txtPreview);
}

void GCFPreviewPane::ShowImage(const SDecodedPicture &Picture)
{
    eKind = EPreviewKind::Image;
    Image = Picture.Image;
    ShowNotes(QStringLiteral("%1 x %2 pixels, %3 image.")
                  .arg(Image.width())
                  .arg(Image.height())
                  .arg(QString::fromLatin1(Picture.sFormat.toUpper())),
              QString());
    imgPreview->SetImage(Image);
    stkPreview->setCurrentWidget(imgPreview);
}

void GCFPreviewPane::StartDecoding(const QString &sName)
{
    bDecoding = true;
    auto bStop = std::make_shared<std::atomic<bool>>(false);
    bStopDecode = bStop;
    const uint64_t uiThis = ++uiDecode;
    // The thread gets its own reference to the bytes; the pane outlives it
    // (its destructor waits), so the result can be handed back to it.
    Decoder.start([this, bStop, uiThis, sName, Bytes = DecodingPreview.Image] {
        if (bStop->load())
            return;
        const SDecodedPicture Picture =
            DecodePicture(Bytes, sName, *bStop, QDeadlineTimer(DECODE_MILLISECONDS));
        QMetaObject::invokeMethod(this, [this, uiThis, Picture] { ShowDecoded(uiThis, Picture); },
                                  Qt::QueuedConnection);
    });
}

void GCFPreviewPane::ShowDecoded(uint64_t uiThis, const SDecodedPicture &Picture)
{
    if (uiThis != uiDecode || !bDecoding || Picture.eResult == EPictureResult::Stopped)
        return;
    bDecoding = false;
    bStopDecode.reset();
    if (Picture.eResult == EPictureResult::Decoded)
    {
        DecodingPreview = SItemPreview();
        ShowImage(Picture);
        return;
    }
    SItemPreview Preview = std::move(DecodingPreview);
    DecodingPreview = SItemPreview();
    if (const QString sNote = PictureResultNote(Picture.eResult); !sNote.isEmpty())
        PreviewAsHex(Preview, sNote);
    else
        PreviewAsTextOrHex(Preview);
    ShowNotes(Preview.sNote, Preview.sDamage);
    ShowTextOrHex(Preview);
}

void GCFPreviewPane::StopDecoding()
{
    if (bStopDecode)
        bStopDecode->store(true);
    bStopDecode.reset();
    bDecoding = false;
    DecodingPreview = SItemPreview();
}

void GCFPreviewPane::ClearPreview()
{
    StopDecoding();
    eKind = EPreviewKind::None;
    Image = QImage();
    lblPreviewName->clear();
    lblPreviewName->setVisible(false);
    lblPreviewNote->setVisible(false);
    lblPreviewDamage->setVisible(false);
    txtPreview->clear();
    imgPreview->SetImage(QImage());
    stkPreview->setCurrentWidget(lblPreviewEmpty);
}

void GCFPreviewPane::changeEvent(QEvent *lpEvent)
{
    QWidget::changeEvent(lpEvent);
    if (lpEvent->type() == QEvent::PaletteChange)
        ColorNotes();
}

void GCFPreviewPane::ColorNotes()
{
    const QColor Background = palette().color(QPalette::Window);
    // The palette's grey for what stands back, made dark (or light) enough
    // to read against the pane.
    const SLineRgb Note = ReadableNoteOn(Rgb(palette().color(QPalette::Disabled, QPalette::WindowText)), Rgb(Background));
    for (QLabel *lpNote : {lblPreviewNote, lblPreviewEmpty})
        SetTextColor(lpNote, QColor(Note.uiRed, Note.uiGreen, Note.uiBlue));
    // The console's red, kept readable on a dark palette.
    SetTextColor(lblPreviewDamage, ReadableColor(LineColorRgb(ELineColor::Red), Background));
}

}  // namespace Larkspur
