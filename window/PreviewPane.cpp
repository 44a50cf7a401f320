// SPDX-License-Identifier: MIT
#include "window/PreviewPane.h"

#include "window/ConsoleView.h"

#include <QBuffer>
#include <QFontDatabase>
#include <QImageReader>
#include <QLabel>
#include <QPainter>
#include <QPlainTextEdit>
#include <QStackedWidget>
#include <QTextCursor>
#include <QTextDocument>
#include <QTimer>
#include <QVBoxLayout>

#include <algorithm>

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

void SetTextColor(QLabel *lpLabel, QColor Color)
{
    QPalette Palette = lpLabel->palette();
    Palette.setColor(QPalette::WindowText, Color);
    lpLabel->setPalette(Palette);
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

    lblPreviewName = AddNoteLabel("lblPreviewName");
    QFont Bold = lblPreviewName->font();
    Bold.setBold(true);
    lblPreviewName->setFont(Bold);
    lblPreviewName->setWordWrap(false);
    lblPreviewNote = AddNoteLabel("lblPreviewNote");
    SetTextColor(lblPreviewNote, palette().color(QPalette::Disabled, QPalette::WindowText));
    lblPreviewDamage = AddNoteLabel("lblPreviewDamage");
    // The console's red, kept readable on a dark palette.
    SetTextColor(lblPreviewDamage, ReadableColor(LineColorRgb(ELineColor::Red), palette().color(QPalette::Window)));

    lblPreviewEmpty = new QLabel(QStringLiteral("Select a file to see its contents here."));
    lblPreviewEmpty->setObjectName(QStringLiteral("lblPreviewEmpty"));
    lblPreviewEmpty->setAlignment(Qt::AlignCenter);
    lblPreviewEmpty->setWordWrap(true);
    SetTextColor(lblPreviewEmpty, palette().color(QPalette::Disabled, QPalette::WindowText));

    txtPreview = new QPlainTextEdit;
    txtPreview->setObjectName(QStringLiteral("txtPreview"));
    txtPreview->setAccessibleName(QStringLiteral("Preview"));
    txtPreview->setReadOnly(true);
    txtPreview->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
    // The document grows by the blocks of the text handed to it; undo would
    // keep a second copy of it.
    txtPreview->setUndoRedoEnabled(false);
    tmrText = new QTimer(this);
    tmrText->setInterval(0);
    connect(tmrText, &QTimer::timeout, this, [this] { AppendTextPiece(); });

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
    ClearPreview();
}

void GCFPreviewPane::ShowPreview(const QString &sName, SItemPreview Preview)
{
    Image = QImage();
    tmrText->stop();
    sPendingText = QString();
    if (Preview.eKind == EPreviewKind::Image)
    {
        QByteArray sFormat;
        if (DecodeImage(sName, Preview.Image, sFormat))
            Preview.sNote = QStringLiteral("%1 x %2 pixels, %3 image.")
                                .arg(Image.width())
                                .arg(Image.height())
                                .arg(QString::fromLatin1(sFormat.toUpper()));
        else
            PreviewAsTextOrHex(Preview);
    }
    eKind = Preview.eKind;
    lblPreviewName->setText(sName);
    lblPreviewName->setVisible(true);
    lblPreviewNote->setText(Preview.sNote);
    lblPreviewNote->setVisible(!Preview.sNote.isEmpty());
    lblPreviewDamage->setText(Preview.sDamage);
    lblPreviewDamage->setVisible(!Preview.sDamage.isEmpty());

    switch (eKind)
    {
    case EPreviewKind::None:
        ClearPreview();
        return;
    case EPreviewKind::Image:
        txtPreview->clear();
        imgPreview->SetImage(Image);
        stkPreview->setCurrentWidget(imgPreview);
        return;
    case EPreviewKind::Text:
    case EPreviewKind::Hex:
        imgPreview->SetImage(QImage());
        // Text wraps at the pane's edge; a hex dump keeps its columns.
        txtPreview->setLineWrapMode(eKind == EPreviewKind::Text ? QPlainTextEdit::WidgetWidth
                                                                : QPlainTextEdit::NoWrap);
        // The dump's last line end would show as one more, empty line.
        if (eKind == EPreviewKind::Hex && Preview.sText.endsWith(QLatin1Char('\n')))
            Preview.sText.chop(1);
        sPendingText = std::move(Preview.sText);
        txtPreview->setPlainText(TakeTextPiece());
        if (!sPendingText.isEmpty())
            tmrText->start();
        stkPreview->setCurrentWidget(txtPreview);
        return;
    }
}

QString GCFPreviewPane::TakeTextPiece()
{
    qsizetype iLength = std::min(TEXT_PIECE, sPendingText.size());
    if (iLength < sPendingText.size())
    {
        const qsizetype iLineEnd = sPendingText.lastIndexOf(QLatin1Char('\n'), iLength - 1);
        if (iLineEnd > 0)
            iLength = iLineEnd + 1;
        else if (sPendingText.at(iLength - 1).isHighSurrogate())
            --iLength;  // a character is never cut in two
    }
    QString sPiece = sPendingText.left(iLength);
    sPendingText.remove(0, iLength);
    if (sPendingText.isEmpty())
        sPendingText = QString();  // gives the memory back
    return sPiece;
}

void GCFPreviewPane::AppendTextPiece()
{
    if (sPendingText.isEmpty())
    {
        tmrText->stop();
        return;
    }
    // Added at the end without moving the view's cursor, so the text stays
    // where the user scrolled it.
    QTextCursor End(txtPreview->document());
    End.movePosition(QTextCursor::End);
    End.insertText(TakeTextPiece());
}

bool GCFPreviewPane::DecodeImage(const QString &sName, const QByteArray &Bytes, QByteArray &sFormat)
{
    // The format the name says first (some formats carry too weak a mark to
    // be told from the bytes), then whatever the bytes hold.
    QList<QByteArray> Formats;
    if (const QByteArray sNamed = PreviewImageFormat(sName, ReadableImageFormats()); !sNamed.isEmpty())
        Formats.append(sNamed);
    Formats.append(QByteArray());
    for (const QByteArray &sTried : Formats)
    {
        QByteArray Decoded = ImageBytesForDecoding(sTried, Bytes);
        QBuffer Buffer(&Decoded);
        Buffer.open(QIODevice::ReadOnly);
        QImageReader Reader(&Buffer, sTried);
        Reader.setAutoTransform(true);
        // Asked before the read: without a format given, the reader tells it
        // from the bytes.
        sFormat = Reader.format();
        if (Reader.read(&Image))
            return true;
    }
    return false;
}

void GCFPreviewPane::ClearPreview()
{
    tmrText->stop();
    sPendingText = QString();
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

const QList<QByteArray> &GCFPreviewPane::ReadableImageFormats()
{
    static const QList<QByteArray> Formats = QImageReader::supportedImageFormats();
    return Formats;
}

bool GCFPreviewPane::IsImage(QByteArrayView Head, const QString &sName)
{
    QByteArray Bytes = QByteArray::fromRawData(Head.data(), Head.size());
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::ReadOnly);
    return IsPreviewImage(sName, QImageReader::imageFormat(&Buffer), ReadableImageFormats());
}

}  // namespace Larkspur
