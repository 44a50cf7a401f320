// SPDX-License-Identifier: MIT
#include "window/ItemPreview.h"

#include "archive/CGCF.h"
#include "archive/CItemData.h"
#include "window/Utils.h"

#include <QList>
#include <QStringDecoder>

#include <algorithm>

namespace Larkspur
{

namespace
{

// The first bytes of an item, and why they end early when they do.
struct SItemStart
{
    QByteArray Bytes;
    QString sDamage;
    bool bCutShort = false;
};

QString DamageText(const QString &sReason, uint64_t uiRead)
{
    return QStringLiteral("Damaged data (%1): the preview ends after %2 bytes.")
        .arg(sReason, Utils::GroupedNumber(uiRead));
}

// Locates the item's data: a GCF file's only as far as its first uiCap
// bytes, since a large file's chains are long and the preview needs only
// their start; a VPK file's is one or two runs whatever its size.
EDataWalk DescribeStart(const IArchive &Archive, uint32_t uiDirectoryIndex, uint64_t uiCap, CItemData &Data)
{
    if (const auto *lpGCF = dynamic_cast<const CGCF *>(&Archive))
        return Data.Describe(*lpGCF, lpGCF->GetFirstEntry(uiDirectoryIndex), uint32_t(uiCap));
    return Data.DescribeItem(Archive, uiDirectoryIndex);
}

// Reads the item's first uiWanted bytes (at most its size).
SItemStart ReadStart(const IArchive &Archive, uint32_t uiDirectoryIndex, uint64_t uiItemSize, uint64_t uiWanted)
{
    SItemStart Start;
    const uint64_t uiCap = std::min(uiWanted, uiItemSize);
    CItemData Data;
    const EDataWalk eWalk = DescribeStart(Archive, uiDirectoryIndex, uiCap, Data);
    if (eWalk == EDataWalk::NoData)
    {
        if (uiItemSize > 0)
            Start.sDamage = DamageText(QStringLiteral("no physical data"), 0);
        return Start;
    }

    // A file cut short under the read still gives every byte before the cut.
    Start.Bytes.resize(qsizetype(std::min(Data.GetSize(), uiCap)));
    size_t uiRead = 0;
    const bool bRead = Data.Read(0, Start.Bytes.data(), size_t(Start.Bytes.size()), uiRead);
    Start.Bytes.resize(qsizetype(uiRead));
    // Where the walk stopped at the bytes asked for, "more data" only says
    // that the item goes on.
    const bool bWalkSound = eWalk == EDataWalk::Complete || (eWalk == EDataWalk::TooLong && uiCap < uiItemSize);
    if (!bRead || eWalk == EDataWalk::CutShort)
    {
        Start.sDamage = DamageText(QLatin1String(DataWalkReason(EDataWalk::CutShort)), uiRead);
        Start.bCutShort = true;
    }
    else if (!bWalkSound)
        Start.sDamage = DamageText(QLatin1String(DataWalkReason(eWalk)), uiRead);
    else if (uiRead < uiCap)
        Start.sDamage = DamageText(QStringLiteral("the data ends before the file's size"), uiRead);
    return Start;
}

void SetHex(SItemPreview &Preview, QByteArrayView Bytes)
{
    const QByteArrayView Shown = Bytes.first(std::min<qsizetype>(Bytes.size(), qsizetype(HEX_BYTES)));
    Preview.eKind = EPreviewKind::Hex;
    Preview.sText = HexDump(Shown);
}

void SetTextOrHex(SItemPreview &Preview, const QByteArray &Bytes)
{
    if (Bytes.isEmpty() && Preview.uiItemSize == 0)
    {
        Preview.eKind = EPreviewKind::Text;
        Preview.sText.clear();
        Preview.sNote = QStringLiteral("Empty file.");
        return;
    }
    const QByteArrayView View(Bytes);
    QByteArrayView Shown;
    if (LooksLikeText(View.first(std::min<qsizetype>(View.size(), qsizetype(HEX_BYTES)))))
    {
        Shown = View.first(std::min<qsizetype>(View.size(), qsizetype(TEXT_BYTES)));
        Preview.eKind = EPreviewKind::Text;
        Preview.sText = BreakLongLines(DecodePreviewText(Shown, uint64_t(Shown.size()) < Preview.uiItemSize));
    }
    else
    {
        Shown = View.first(std::min<qsizetype>(View.size(), qsizetype(HEX_BYTES)));
        SetHex(Preview, Shown);
    }
    if (Preview.sDamage.isEmpty() && uint64_t(Shown.size()) < Preview.uiItemSize)
        Preview.sNote = QStringLiteral("Showing the first %1 of %2.")
                            .arg(Utils::FileSizeToString(uint32_t(Shown.size())),
                                 Utils::LargeFileSizeToString(Preview.uiItemSize));
}

bool IsWhiteSpaceControl(uint8_t uiByte)
{
    return uiByte == '\t' || uiByte == '\n' || uiByte == '\r' || uiByte == '\f' || uiByte == '\v';
}

// The length of the UTF-8 sequence that a lead byte starts (1 for ASCII and
// for bytes that start none).
qsizetype Utf8SequenceLength(uint8_t uiLead)
{
    if (uiLead >= 0xF0 && uiLead <= 0xF4)
        return 4;
    if (uiLead >= 0xE0 && uiLead <= 0xEF)
        return 3;
    if (uiLead >= 0xC2 && uiLead <= 0xDF)
        return 2;
    return 1;
}

}  // namespace

SItemPreview PreviewItem(const IArchive &Archive, uint32_t uiDirectoryIndex, const FPreviewImageTest &IsImage)
{
    SItemPreview Preview;
    if (!Archive.IsValidDirectoryIndex(uiDirectoryIndex) || Archive.IsFolder(uiDirectoryIndex))
        return Preview;
    const uint64_t uiItemSize = Archive.GetDirectoryItemSize(uiDirectoryIndex);
    Preview.uiItemSize = uiItemSize;

    SItemStart Start = ReadStart(Archive, uiDirectoryIndex, uiItemSize, HEX_BYTES);
    const bool bMore = uint64_t(Start.Bytes.size()) < uiItemSize;
    if (Start.sDamage.isEmpty() && uiItemSize > 0 && uiItemSize <= IMAGE_BYTES && IsImage &&
        IsImage(Start.Bytes, Utils::DecodeName(Archive.GetDirectoryItemName(uiDirectoryIndex))))
    {
        if (bMore)
            Start = ReadStart(Archive, uiDirectoryIndex, uiItemSize, uiItemSize);
        if (Start.sDamage.isEmpty())
        {
            Preview.eKind = EPreviewKind::Image;
            Preview.Image = std::move(Start.Bytes);
            return Preview;
        }
    }
    else if (Start.sDamage.isEmpty() && bMore && LooksLikeText(Start.Bytes))
    {
        Start = ReadStart(Archive, uiDirectoryIndex, uiItemSize, TEXT_BYTES);
    }
    Preview.sDamage = Start.sDamage;
    Preview.bCutShort = Start.bCutShort;
    SetTextOrHex(Preview, Start.Bytes);
    return Preview;
}

void PreviewAsTextOrHex(SItemPreview &Preview)
{
    const QByteArray Bytes = std::move(Preview.Image);
    Preview.Image = QByteArray();
    SetTextOrHex(Preview, Bytes);
}

void PreviewAsHex(SItemPreview &Preview, const QString &sNote)
{
    const QByteArray Bytes = std::move(Preview.Image);
    Preview.Image = QByteArray();
    SetHex(Preview, Bytes);
    Preview.sNote = sNote;
}

bool LooksLikeText(QByteArrayView Bytes)
{
    qsizetype iControls = 0;
    for (const char cChar : Bytes)
    {
        const auto uiByte = uint8_t(cChar);
        if (uiByte == 0)
            return false;
        if ((uiByte < 0x20 && !IsWhiteSpaceControl(uiByte)) || uiByte == 0x7F)
            ++iControls;
    }
    // A stray escape or end-of-file mark does not make a text binary.
    return iControls * 100 <= Bytes.size();
}

QString DecodePreviewText(QByteArrayView Bytes, bool bCut)
{
    QByteArrayView Text = Bytes;
    if (Text.startsWith("\xEF\xBB\xBF"))
        Text = Text.sliced(3);
    if (bCut)
    {
        // A sequence that the end of the bytes read cuts in two is left out.
        for (qsizetype iBack = 1; iBack <= std::min<qsizetype>(4, Text.size()); ++iBack)
        {
            const auto uiByte = uint8_t(Text[Text.size() - iBack]);
            if ((uiByte & 0xC0) == 0x80)
                continue;
            if (Utf8SequenceLength(uiByte) > iBack)
                Text.chop(iBack);
            break;
        }
    }
    QStringDecoder Decoder(QStringConverter::Utf8, QStringConverter::Flag::Stateless);
    QString sText = Decoder.decode(Text);
    if (!Decoder.hasError())
        return sText;
    return QString::fromLatin1(Bytes);
}

QString BreakLongLines(const QString &sText, qsizetype iMaxLine)
{
    // Most texts have no such line: they are handed back without a copy.
    qsizetype iLineStart = 0;
    qsizetype iFirstLong = -1;
    for (qsizetype i = 0; i <= sText.size(); ++i)
    {
        if (i == sText.size() || sText[i] == QLatin1Char('\n'))
        {
            if (i - iLineStart > iMaxLine)
            {
                iFirstLong = iLineStart;
                break;
            }
            iLineStart = i + 1;
        }
    }
    if (iFirstLong < 0 || iMaxLine < 2)
        return sText;

    QString sBroken;
    sBroken.reserve(sText.size() + sText.size() / iMaxLine + 1);
    sBroken.append(QStringView(sText).first(iFirstLong));
    qsizetype iLength = 0;  // of the shown line so far
    for (qsizetype i = iFirstLong; i < sText.size(); ++i)
    {
        const QChar cChar = sText[i];
        if (cChar == QLatin1Char('\n'))
            iLength = -1;
        else if (iLength >= iMaxLine && !(cChar.isLowSurrogate() && sText[i - 1].isHighSurrogate()))
        {
            sBroken.append(QLatin1Char('\n'));
            iLength = 0;
        }
        sBroken.append(cChar);
        ++iLength;
    }
    return sBroken;
}

QString HexDump(QByteArrayView Bytes)
{
    static constexpr char DIGITS[] = "0123456789abcdef";
    constexpr qsizetype LINE_BYTES = 16;
    // The layout of hexdump -C: "00000000", 2 blanks, 16 x "xx " with one
    // more blank after the eighth, " |", 16 characters, "|", line end.
    constexpr qsizetype LINE_LENGTH = 8 + 2 + LINE_BYTES * 3 + 1 + 2 + LINE_BYTES + 1 + 1;
    QByteArray Dump;
    Dump.reserve((Bytes.size() + LINE_BYTES - 1) / LINE_BYTES * LINE_LENGTH);
    for (qsizetype iLine = 0; iLine < Bytes.size(); iLine += LINE_BYTES)
    {
        const qsizetype iCount = std::min(LINE_BYTES, Bytes.size() - iLine);
        for (int iShift = 28; iShift >= 0; iShift -= 4)
            Dump.append(DIGITS[(uint64_t(iLine) >> iShift) & 0x0F]);
        Dump.append("  ");
        for (qsizetype i = 0; i < LINE_BYTES; ++i)
        {
            if (i == LINE_BYTES / 2)
                Dump.append(' ');
            if (i < iCount)
            {
                const auto uiByte = uint8_t(Bytes[iLine + i]);
                Dump.append(DIGITS[uiByte >> 4]).append(DIGITS[uiByte & 0x0F]).append(' ');
            }
            else
            {
                Dump.append("   ");
            }
        }
        Dump.append(" |");
        for (qsizetype i = 0; i < iCount; ++i)
        {
            const auto uiByte = uint8_t(Bytes[iLine + i]);
            Dump.append(uiByte >= 0x20 && uiByte < 0x7F ? char(uiByte) : '.');
        }
        Dump.append("|\n");
    }
    return QString::fromLatin1(Dump);
}

QByteArray PreviewImageFormat(const QString &sName, const QList<QByteArray> &Readable)
{
    const qsizetype iDot = sName.lastIndexOf(QLatin1Char('.'));
    if (iDot < 0)
        return QByteArray();
    const QByteArray sExtension = sName.mid(iDot + 1).toLower().toLatin1();
    return !sExtension.isEmpty() && Readable.contains(sExtension) ? sExtension : QByteArray();
}

QByteArray ImageBytesForDecoding(const QByteArray &sFormat, QByteArray Bytes)
{
    static const QByteArray TGA_SIGNATURE("TRUEVISION-XFILE.\0", 18);
    if (sFormat == "tga" && !Bytes.endsWith(TGA_SIGNATURE))
        Bytes.append(QByteArray(8, '\0')).append(TGA_SIGNATURE);  // no extension area, no developer area
    return Bytes;
}

bool IsPreviewImage(const QString &sName, const QByteArray &sDetectedFormat, const QList<QByteArray> &Readable)
{
    if (!PreviewImageFormat(sName, Readable).isEmpty())
        return true;
    static const QList<QByteArray> WeakMarks = {"xbm", "xpm", "tga", "pbm", "pgm", "ppm", "wbmp", "ico", "cur"};
    return !sDetectedFormat.isEmpty() && Readable.contains(sDetectedFormat) && !WeakMarks.contains(sDetectedFormat);
}

}  // namespace Larkspur
