// SPDX-License-Identifier: MIT
#pragma once
// Pictures for the preview's tests, benches and fuzz seeds, made with Qt's
// own writers (QtGui, no widgets). The hostile one is a progressive JPEG
// whose cheapest scan is repeated until the file has the size asked for:
// every copy of it costs the decoder a pass over all the picture's blocks,
// and a megabyte of them keeps a decoder busy for a minute.

#include <QBuffer>
#include <QByteArray>
#include <QColor>
#include <QImage>
#include <QImageWriter>

#include <vector>

namespace PictureTest
{

inline QByteArray WritePicture(const QImage &Picture, const char *szFormat, bool bProgressive = false)
{
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    QImageWriter Writer(&Buffer, szFormat);
    Writer.setProgressiveScanWrite(bProgressive);
    Writer.setOptimizedWrite(bProgressive);
    Writer.write(Picture);
    return Bytes;
}

inline QImage FilledPicture(QSize Size)
{
    QImage Picture(Size, QImage::Format_RGB32);
    Picture.fill(QColor(90, 140, 200));
    return Picture;
}

// A progressive JPEG of a one-colour picture of Size, of about iBytes: the
// file as Qt writes it, then its smallest AC scan (with the Huffman tables
// written just before it) again and again before the end marker. Empty when
// the writer gives no progressive JPEG.
inline QByteArray RepeatedScanJpeg(QSize Size, qsizetype iBytes)
{
    const QByteArray Jpeg = WritePicture(FilledPicture(Size), "jpeg", true);
    const auto Byte = [&](qsizetype i) { return static_cast<unsigned char>(Jpeg[i]); };
    struct SScan
    {
        qsizetype iStart, iEnd;
    };
    std::vector<SScan> AcScans;
    qsizetype iEnd = -1, iTables = -1;
    for (qsizetype i = 2; i + 2 <= Jpeg.size() && Byte(i) == 0xFF;)
    {
        const unsigned char uMarker = Byte(i + 1);
        if (uMarker == 0xD9)
        {
            iEnd = i;
            break;
        }
        if (i + 4 > Jpeg.size())
            break;
        qsizetype iNext = i + 2 + ((Byte(i + 2) << 8) | Byte(i + 3));
        if (uMarker == 0xC4)
        {
            iTables = iTables < 0 ? i : iTables;
            i = iNext;
            continue;
        }
        if (uMarker == 0xDA)
        {
            const int iSpectralStart = Byte(i + 5 + 2 * Byte(i + 4));
            // The coded data runs to the next marker (FF 00 is a coded FF,
            // FF D0 to FF D7 are restart markers inside it).
            while (iNext + 1 < Jpeg.size() &&
                   !(Byte(iNext) == 0xFF && Byte(iNext + 1) != 0 && (Byte(iNext + 1) & 0xF8) != 0xD0))
                ++iNext;
            if (iSpectralStart > 0)
                AcScans.push_back({iTables >= 0 ? iTables : i, iNext});
        }
        iTables = -1;
        i = iNext;
    }
    if (iEnd < 0 || AcScans.empty())
        return QByteArray();
    SScan Cheapest = AcScans.front();
    for (const SScan &Scan : AcScans)
        if (Scan.iEnd - Scan.iStart < Cheapest.iEnd - Cheapest.iStart)
            Cheapest = Scan;
    const QByteArray Unit = Jpeg.sliced(Cheapest.iStart, Cheapest.iEnd - Cheapest.iStart);
    QByteArray Repeated = Jpeg.first(iEnd);
    while (Repeated.size() + Unit.size() + 2 <= iBytes)
        Repeated += Unit;
    return Repeated + QByteArray("\xFF\xD9", 2);
}

// A BMP header that promises a picture of Width x Height and holds no
// pixels: enough for a reader to tell the size.
inline QByteArray HugeBmpHeader(int iWidth, int iHeight)
{
    QByteArray Bytes(54, '\0');
    const auto Put = [&](int iOffset, quint32 uiValue, int iBytes) {
        for (int i = 0; i < iBytes; ++i)
            Bytes[iOffset + i] = char((uiValue >> (8 * i)) & 0xFF);
    };
    Bytes[0] = 'B';
    Bytes[1] = 'M';
    Put(2, 54, 4);   // file size (as far as it goes)
    Put(10, 54, 4);  // where the pixels would start
    Put(14, 40, 4);  // the info header's size
    Put(18, quint32(iWidth), 4);
    Put(22, quint32(iHeight), 4);
    Put(26, 1, 2);   // planes
    Put(28, 24, 2);  // bits per pixel
    return Bytes;
}

}  // namespace PictureTest
