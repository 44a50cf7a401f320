// SPDX-License-Identifier: MIT
#include "window/PictureDecoding.h"

#include "window/ItemPreview.h"

#include <QBuffer>
#include <QIODevice>
#include <QImageReader>

#include <algorithm>
#include <cstring>
#include <mutex>

namespace Larkspur
{

namespace
{

// Four bytes a pixel at most for the pictures shown.
constexpr int ALLOCATION_LIMIT_MIB = int(MAX_PICTURE_PIXELS * 4 >> 20);

// The bytes of a picture, read only: once the picture is no longer wanted,
// or its time is up, the device has nothing more to give. Every read reaches
// readData (the device is unbuffered), so a decoder notices at its next read.
class CEndingBuffer final : public QIODevice
{
public:
    CEndingBuffer(const QByteArray &Bytes, const std::atomic<bool> &bStop, QDeadlineTimer Deadline)
        : Bytes(Bytes), bStop(bStop), Deadline(Deadline)
    {
    }

    // Whether the data ended because the picture was no longer wanted or
    // its time was up, and which of the two.
    bool Ended() const { return bEnded; }
    bool Stopped() const { return bStopped; }

    bool isSequential() const override { return false; }
    qint64 size() const override { return Bytes.size(); }
    qint64 bytesAvailable() const override
    {
        return HasEnded() ? 0 : std::max<qint64>(0, Bytes.size() - pos()) + QIODevice::bytesAvailable();
    }
    bool atEnd() const override { return HasEnded() || QIODevice::atEnd(); }

protected:
    qint64 readData(char *lpData, qint64 iMaxSize) override
    {
        if (HasEnded())
        {
            bEnded = true;
            bStopped = bStop.load(std::memory_order_relaxed);
            return -1;
        }
        const qint64 iCount = std::clamp<qint64>(Bytes.size() - pos(), 0, iMaxSize);
        if (iCount > 0)
            std::memcpy(lpData, Bytes.constData() + pos(), size_t(iCount));
        return iCount;
    }
    qint64 writeData(const char *, qint64) override { return -1; }

private:
    bool HasEnded() const { return bStop.load(std::memory_order_relaxed) || Deadline.hasExpired(); }

    const QByteArray Bytes;
    const std::atomic<bool> &bStop;
    const QDeadlineTimer Deadline;
    bool bEnded = false;
    bool bStopped = false;
};

EPictureResult EndedResult(const CEndingBuffer &Device)
{
    return Device.Stopped() ? EPictureResult::Stopped : EPictureResult::TooSlow;
}

// One attempt with one format ("" to tell it from the bytes).
SDecodedPicture DecodeAs(const QByteArray &Bytes, const QByteArray &sFormat, const std::atomic<bool> &bStop,
                         QDeadlineTimer Deadline, int64_t iMaxPixels)
{
    SDecodedPicture Picture;
    CEndingBuffer Device(ImageBytesForDecoding(sFormat, Bytes), bStop, Deadline);
    Device.open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    QImageReader Reader(&Device, sFormat);
    Reader.setAutoTransform(true);
    // Asked before the read: without a format given, the reader tells it
    // from the bytes.
    Picture.sFormat = Reader.format();
    const QSize Size = Reader.size();
    if (Device.Ended())
    {
        Picture.eResult = EndedResult(Device);
        return Picture;
    }
    const int64_t iMost = std::min(iMaxPixels, MAX_PICTURE_PIXELS);
    if (Size.isValid() && int64_t(Size.width()) * Size.height() > iMost)
    {
        Picture.eResult = EPictureResult::TooLarge;
        return Picture;
    }
    const bool bRead = Reader.read(&Picture.Image);
    // A decoder that meets the end of its data early may still give a
    // picture (a JPEG cut short does): not the file's, so none is shown.
    // One that fails may leave what it had allocated. Some formats tell a
    // size other than the one they decode (a GIF's screen and its frame),
    // so the picture itself is measured again: the allocation limit alone
    // lets a picture of one byte a pixel have four times the pixels.
    if (Device.Ended())
        Picture.eResult = EndedResult(Device);
    else if (bRead)
        Picture.eResult = int64_t(Picture.Image.width()) * Picture.Image.height() > iMost ? EPictureResult::TooLarge
                                                                                         : EPictureResult::Decoded;
    if (Picture.eResult != EPictureResult::Decoded)
        Picture.Image = QImage();
    return Picture;
}

}  // namespace

void LimitPictureAllocation()
{
    static std::once_flag Once;
    std::call_once(Once, [] { QImageReader::setAllocationLimit(ALLOCATION_LIMIT_MIB); });
}

const QList<QByteArray> &ReadablePictureFormats()
{
    static const QList<QByteArray> Formats = QImageReader::supportedImageFormats();
    return Formats;
}

bool IsPreviewPicture(QByteArrayView Head, const QString &sName)
{
    QByteArray Bytes = QByteArray::fromRawData(Head.data(), Head.size());
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::ReadOnly);
    return IsPreviewImage(sName, QImageReader::imageFormat(&Buffer), ReadablePictureFormats());
}

SDecodedPicture DecodePicture(const QByteArray &Bytes, const QString &sName, const std::atomic<bool> &bStop,
                              QDeadlineTimer Deadline, int64_t iMaxPixels)
{
    LimitPictureAllocation();
    QList<QByteArray> Formats;
    if (const QByteArray sNamed = PreviewImageFormat(sName, ReadablePictureFormats()); !sNamed.isEmpty())
        Formats.append(sNamed);
    Formats.append(QByteArray());
    SDecodedPicture Picture;
    for (const QByteArray &sTried : Formats)
    {
        Picture = DecodeAs(Bytes, sTried, bStop, Deadline, iMaxPixels);
        if (Picture.eResult != EPictureResult::NotAPicture)
            break;
    }
    return Picture;
}

QString PictureResultNote(EPictureResult eResult)
{
    switch (eResult)
    {
    case EPictureResult::TooLarge: return QStringLiteral("The picture is too large to show.");
    case EPictureResult::TooSlow: return QStringLiteral("The picture took too long to decode.");
    case EPictureResult::Decoded:
    case EPictureResult::NotAPicture:
    case EPictureResult::Stopped: break;
    }
    return QString();
}

}  // namespace Larkspur
