// SPDX-License-Identifier: MIT
#pragma once
// The preview pane beside the item list: the selected file's name, a note on
// how much of it shows, a red note when its data is damaged, and the file as
// text, as a picture or as a hex dump. The window reads the file (ItemPreview)
// and hands the result over; the pane only decodes a picture and shows it.

#include "window/ItemPreview.h"

#include <QImage>
#include <QWidget>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;
class QTimer;

namespace Larkspur
{

class GCFPreviewPane final : public QWidget
{
    Q_OBJECT

public:
    explicit GCFPreviewPane(QWidget *lpParent = nullptr);

    // Shows the file named sName. A picture that does not decode shows as
    // text or hex instead.
    void ShowPreview(const QString &sName, SItemPreview Preview);
    // Nothing selected, or a folder: the pane says how to fill it.
    void ClearPreview();

    // What the pane shows now, and the picture it decoded.
    EPreviewKind GetKind() const { return eKind; }
    const QImage &GetImage() const { return Image; }
    // True while the text is still being handed to its view.
    bool IsLoadingText() const { return !sPendingText.isEmpty(); }

    // Text handed to the view at once, and then per turn of the event loop:
    // laying out a MiB of text takes tens of milliseconds, and the file
    // shows after the first piece.
    static constexpr qsizetype TEXT_PIECE = 32768;

    // The formats the window decodes pictures in (QImageReader's list).
    static const QList<QByteArray> &ReadableImageFormats();
    // Whether bytes of a file are a picture the pane shows as one.
    static bool IsImage(QByteArrayView Head, const QString &sName);

private:
    // Decodes the picture into Image; false when the bytes hold none.
    bool DecodeImage(const QString &sName, const QByteArray &Bytes, QByteArray &sFormat);
    // The next piece of sPendingText, ending after a line end where there is one.
    QString TakeTextPiece();
    void AppendTextPiece();

    QLabel *lblPreviewName = nullptr;
    QLabel *lblPreviewNote = nullptr;
    QLabel *lblPreviewDamage = nullptr;
    QStackedWidget *stkPreview = nullptr;
    QLabel *lblPreviewEmpty = nullptr;
    QPlainTextEdit *txtPreview = nullptr;
    class CImageView;
    CImageView *imgPreview = nullptr;
    QImage Image;  // the decoded picture
    QString sPendingText;  // what the text view has yet to get
    QTimer *tmrText = nullptr;
    EPreviewKind eKind = EPreviewKind::None;
};

}  // namespace Larkspur
