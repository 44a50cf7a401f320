// SPDX-License-Identifier: MIT
#pragma once
// Decoding a picture from an archive's bytes within bounds that the bytes
// cannot stretch: at most MAX_PICTURE_PIXELS, and no longer than it takes
// the decoder to notice that its data has ended once the picture is no
// longer wanted or DECODE_MILLISECONDS have passed. QImageReader cannot be
// interrupted, and a progressive JPEG of a megabyte can hold tens of
// thousands of scans that each cost a pass over the whole picture; so the
// bytes reach the decoder through a device that stops handing them over,
// and the decoder ends as at the end of a file cut short. Needs QtGui (no
// widgets); runs on any thread.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QImage>
#include <QList>
#include <QString>

#include <atomic>
#include <cstdint>

namespace Larkspur
{

// 8192 x 8192: a picture's decoded size stays within 256 MiB at four bytes
// a pixel.
inline constexpr int64_t MAX_PICTURE_PIXELS = int64_t(8192) * 8192;
inline constexpr int DECODE_MILLISECONDS = 2000;

enum class EPictureResult
{
    Decoded,
    NotAPicture,  // the bytes hold no picture the decoders read
    TooLarge,     // more than MAX_PICTURE_PIXELS
    TooSlow,      // the deadline passed before the decoder was done
    Stopped,      // no longer wanted
};

struct SDecodedPicture
{
    EPictureResult eResult = EPictureResult::NotAPicture;
    QImage Image;
    QByteArray sFormat;  // as the decoder names it: "png", "jpeg", ...
};

// The formats the window decodes pictures in (QImageReader's list).
const QList<QByteArray> &ReadablePictureFormats();
// Whether a file (its first bytes and its name) is a picture the preview
// shows as one (IsPreviewImage with the format the bytes show).
bool IsPreviewPicture(QByteArrayView Head, const QString &sName);

// Sets the decoders' allocation limit to MAX_PICTURE_PIXELS at four bytes a
// pixel, once: the reader then refuses a larger picture by its size before
// it allocates it, in formats whose size it learns only while decoding too.
// The limit is the process's; call it on the main thread before decoding.
void LimitPictureAllocation();

// Decodes the picture in Bytes, trying the format that sName's extension
// names first (some formats carry too weak a mark to be told from their
// bytes), then whatever the bytes hold. bStop may be set from another
// thread.
// Some decoders go on through every pixel once their data has ended, so
// the time a decode takes past its deadline grows with the picture's size:
// iMaxPixels (at most MAX_PICTURE_PIXELS) bounds both.
SDecodedPicture DecodePicture(const QByteArray &Bytes, const QString &sName, const std::atomic<bool> &bStop,
                              QDeadlineTimer Deadline, int64_t iMaxPixels = MAX_PICTURE_PIXELS);

// The note the preview shows in place of a picture it did not decode, or ""
// when the bytes simply hold none.
QString PictureResultNote(EPictureResult eResult);

}  // namespace Larkspur
