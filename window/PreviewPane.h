// SPDX-License-Identifier: MIT
#pragma once
// The preview pane beside the item list: the selected file's name, a note on
// how much of it shows, a red note when its data is damaged, and the file as
// text, as a picture or as a hex dump. The window reads the file (ItemPreview)
// and hands the result over; the pane shows it. A picture is decoded on a
// thread of the pane's own, within the bounds of DecodePicture, so that the
// window answers whatever the bytes hold.

#include "window/ItemPreview.h"
#include "window/PictureDecoding.h"

#include <QImage>
#include <QThreadPool>
#include <QWidget>

#include <atomic>
#include <cstdint>
#include <memory>

class QLabel;
class QPlainTextEdit;
class QStackedWidget;

namespace Larkspur
{

class GCFPreviewPane final : public QWidget
{
    Q_OBJECT

public:
    explicit GCFPreviewPane(QWidget *lpParent = nullptr);
    // Waits for a decode still running, which is told to stop first.
    ~GCFPreviewPane() override;

    // Shows the file named sName. A picture shows once decoded; one that
    // does not decode shows as text or hex instead, and one past the bounds
    // of its decoding as hex with a note that says why.
    void ShowPreview(const QString &sName, SItemPreview Preview);
    // Nothing selected, or a folder: the pane says how to fill it.
    void ClearPreview();

    // What the pane shows now (None while a picture is being decoded), and
    // the picture it decoded.
    EPreviewKind GetKind() const { return eKind; }
    const QImage &GetImage() const { return Image; }
    bool IsDecoding() const { return bDecoding; }

protected:
    void changeEvent(QEvent *lpEvent) override;

private:
    void ShowNotes(const QString &sNote, const QString &sDamage);
    void ShowTextOrHex(SItemPreview &Preview);
    void ShowImage(const SDecodedPicture &Picture);
    // Decodes DecodingPreview's picture on the decoding thread.
    void StartDecoding(const QString &sName);
    void ShowDecoded(uint64_t uiDecode, const SDecodedPicture &Picture);
    // Tells a decode still running that its picture is no longer wanted.
    void StopDecoding();
    // The notes in colours that read on the current palette.
    void ColorNotes();

    QLabel *lblPreviewName = nullptr;
    QLabel *lblPreviewNote = nullptr;
    QLabel *lblPreviewDamage = nullptr;
    QStackedWidget *stkPreview = nullptr;
    QLabel *lblPreviewEmpty = nullptr;
    QPlainTextEdit *txtPreview = nullptr;
    class CImageView;
    CImageView *imgPreview = nullptr;
    QImage Image;  // the decoded picture
    EPreviewKind eKind = EPreviewKind::None;

    // One thread, so that a decode told to stop ends before the next starts.
    QThreadPool Decoder;
    std::shared_ptr<std::atomic<bool>> bStopDecode;
    uint64_t uiDecode = 0;          // counts decodes; only the last one's result shows
    bool bDecoding = false;
    SItemPreview DecodingPreview;   // the picture being decoded, for the text or hex in its place
};

}  // namespace Larkspur
