// SPDX-License-Identifier: MIT
#pragma once
// What the preview pane shows of one file, read straight from the archive
// with no temporary file. Only the bytes shown are located and read, so a
// file of a gigabyte appears as fast as one of a kilobyte:
// - text (valid UTF-8, else Latin-1): the first TEXT_BYTES, with lines
//   longer than SHOWN_LINE_CHARACTERS broken for display;
// - an image in a format the window reads: the whole file, when it is no
//   larger than IMAGE_BYTES (the window decodes it);
// - anything else: a hex dump of the first HEX_BYTES, sixteen bytes a line
//   (offset, bytes, characters).
// A damaged chain, or an archive cut short under the read, gives the bytes
// read before the damage and a note that says why they end there.

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>

#include <cstdint>
#include <functional>

namespace Larkspur
{

class IArchive;

enum class EPreviewKind
{
    None,   // a folder, or no item: nothing to show
    Text,
    Hex,
    Image,
};

struct SItemPreview
{
    EPreviewKind eKind = EPreviewKind::None;
    QString sText;     // Text and Hex: what the pane shows, as it shows it
    QByteArray Image;  // Image: the file's bytes, for the window to decode
    QString sNote;     // "Showing the first 64.00 KB of 3.50 MB.", "Empty file.", or ""
    QString sDamage;   // why the bytes shown end early (the pane shows it in red), or ""
    bool bCutShort = false;  // the archive's file was cut short under the read
    uint64_t uiItemSize = 0;
};

inline constexpr uint64_t TEXT_BYTES = 1u << 20;
inline constexpr uint64_t HEX_BYTES = 64u << 10;
inline constexpr uint64_t IMAGE_BYTES = 16u << 20;
// A text view lays out a line as one piece: a megabyte of minified JSON on
// one line takes seconds to lay out and to scroll through, the same text in
// lines of this length a few milliseconds.
inline constexpr qsizetype SHOWN_LINE_CHARACTERS = 4096;

// Whether a file (its first bytes and its name) is an image the window can
// decode; asked only of files no larger than IMAGE_BYTES.
using FPreviewImageTest = std::function<bool(QByteArrayView Head, const QString &sName)>;

// The preview of item uiDirectoryIndex of the open archive.
SItemPreview PreviewItem(const IArchive &Archive, uint32_t uiDirectoryIndex, const FPreviewImageTest &IsImage);

// Turns an image preview whose bytes did not decode into text or hex.
void PreviewAsTextOrHex(SItemPreview &Preview);
// Turns an image preview that was not decoded (too large, too slow) into the
// hex dump of its first bytes, with sNote saying why.
void PreviewAsHex(SItemPreview &Preview, const QString &sNote);

// Text has no NUL and almost no control characters other than the white
// space ones (tab, line ends, form feed).
bool LooksLikeText(QByteArrayView Bytes);
// UTF-8 when the bytes are valid UTF-8 (a sequence cut off at the end of
// bytes read from a longer file does not count against it; a byte-order
// mark is dropped), Latin-1 otherwise.
QString DecodePreviewText(QByteArrayView Bytes, bool bCut);
// The text with a line break after every iMaxLine characters of a longer
// line (a character is never cut in two); the text itself when no line is
// longer.
QString BreakLongLines(const QString &sText, qsizetype iMaxLine = SHOWN_LINE_CHARACTERS);
// Sixteen bytes a line, as hexdump -C writes them:
// "00000010  48 65 6c 6c 6f 20 57 6f  72 6c 64 0a 00 01 02 03  |Hello World.....|"
QString HexDump(QByteArrayView Bytes);

// The image format a name's extension names, when the window reads it ("" else).
QByteArray PreviewImageFormat(const QString &sName, const QList<QByteArray> &Readable);
// The bytes of a picture as the decoder wants them. A TGA file of the first
// version ends without the footer of the second, and Qt reads only files
// that carry it; the two versions are otherwise the same, so a missing
// footer is added.
QByteArray ImageBytesForDecoding(const QByteArray &sFormat, QByteArray Bytes);

// Whether a name's extension, or a format recognised from the bytes, is one
// of the image formats the window reads. Formats whose mark is too weak to
// tell them from other data (XBM and XPM are C source, TGA and the PBM
// family have hardly any) count only by their extension.
bool IsPreviewImage(const QString &sName, const QByteArray &sDetectedFormat, const QList<QByteArray> &Readable);

}  // namespace Larkspur
