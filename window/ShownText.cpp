// SPDX-License-Identifier: MIT
#include "window/ShownText.h"

#include <QChar>

#include <algorithm>
#include <cstdint>

namespace Larkspur
{

namespace
{

bool IsContinuation(unsigned char cByte)
{
    return (cByte & 0xC0) == 0x80;
}

// The length of the well-formed UTF-8 sequence at the start of sText (no
// overlong forms, surrogates or values past U+10FFFF), or 0; its code point
// in uiCodePoint.
size_t Utf8Sequence(std::string_view sText, uint32_t &uiCodePoint)
{
    const auto Byte = [&](size_t i) { return static_cast<unsigned char>(sText[i]); };
    const unsigned char cLead = Byte(0);
    size_t uiLength = 0;
    unsigned char cLow = 0x80, cHigh = 0xBF;  // the range of the second byte
    if (cLead >= 0xC2 && cLead <= 0xDF)
        uiLength = 2;
    else if (cLead >= 0xE0 && cLead <= 0xEF)
    {
        uiLength = 3;
        if (cLead == 0xE0)
            cLow = 0xA0;
        else if (cLead == 0xED)
            cHigh = 0x9F;
    }
    else if (cLead >= 0xF0 && cLead <= 0xF4)
    {
        uiLength = 4;
        if (cLead == 0xF0)
            cLow = 0x90;
        else if (cLead == 0xF4)
            cHigh = 0x8F;
    }
    if (uiLength == 0 || sText.size() < uiLength || Byte(1) < cLow || Byte(1) > cHigh)
        return 0;
    uiCodePoint = cLead & (0xFF >> (uiLength + 1));
    for (size_t i = 1; i < uiLength; ++i)
    {
        if (!IsContinuation(Byte(i)))
            return 0;
        uiCodePoint = (uiCodePoint << 6) | (Byte(i) & 0x3F);
    }
    return uiLength;
}

bool IsControl(uint32_t uiCharacter)
{
    return uiCharacter < 0x20 || (uiCharacter >= 0x7F && uiCharacter <= 0x9F);
}

// Controls, and the characters that change how text around them shows
// without showing themselves (Qt's tables know category Cf).
bool IsMasked(uint32_t uiCharacter)
{
    return IsControl(uiCharacter) || QChar::category(char32_t(uiCharacter)) == QChar::Other_Format;
}

// The first uiHead bytes of sHead and the last uiTail bytes of sTail with
// "..." between; a UTF-8 character cut by either edge is left out whole.
std::string JoinCut(std::string_view sHead, size_t uiHead, std::string_view sTail, size_t uiTail)
{
    uiHead = std::min(uiHead, sHead.size());
    for (int i = 0; i < 3 && uiHead > 0 && uiHead < sHead.size() && IsContinuation(sHead[uiHead]); ++i)
        --uiHead;
    size_t uiTailStart = sTail.size() - std::min(uiTail, sTail.size());
    for (int i = 0; i < 3 && uiTailStart < sTail.size() && IsContinuation(sTail[uiTailStart]); ++i)
        ++uiTailStart;
    std::string sShown;
    sShown.reserve(uiHead + 3 + sTail.size() - uiTailStart);
    sShown.append(sHead.substr(0, uiHead)).append("...").append(sTail.substr(uiTailStart));
    return sShown;
}

// How a text longer than uiMaxBytes is split around its "...".
size_t HeadBytes(size_t uiMaxBytes)
{
    return uiMaxBytes < 3 ? 0 : (uiMaxBytes - 3) / 2;
}
size_t TailBytes(size_t uiMaxBytes)
{
    return uiMaxBytes < 3 ? 0 : uiMaxBytes - 3 - HeadBytes(uiMaxBytes);
}

}  // namespace

std::string ShownText(std::string_view sText)
{
    std::string sShown;
    sShown.reserve(sText.size());
    size_t i = 0;
    while (i < sText.size())
    {
        const unsigned char cByte = static_cast<unsigned char>(sText[i]);
        uint32_t uiCodePoint = 0;
        const size_t uiLength = cByte < 0x80 ? 0 : Utf8Sequence(sText.substr(i), uiCodePoint);
        if (uiLength == 0)
        {
            sShown.push_back(IsControl(cByte) ? '?' : static_cast<char>(cByte));
            ++i;
            continue;
        }
        if (IsMasked(uiCodePoint))
            sShown.push_back('?');
        else
            sShown.append(sText.substr(i, uiLength));
        i += uiLength;
    }
    return sShown;
}

QString ShownText(const QString &sText)
{
    QString sShown;
    sShown.reserve(sText.size());
    const qsizetype iSize = sText.size();
    for (qsizetype i = 0; i < iSize;)
    {
        char32_t uiCharacter = sText[i].unicode();
        qsizetype iLength = 1;
        if (QChar::isHighSurrogate(uiCharacter) && i + 1 < iSize && sText[i + 1].isLowSurrogate())
        {
            uiCharacter = QChar::surrogateToUcs4(sText[i], sText[i + 1]);
            iLength = 2;
        }
        if (IsMasked(uiCharacter))
            sShown += QLatin1Char('?');
        else
            sShown.append(sText.constData() + i, iLength);
        i += iLength;
    }
    return sShown;
}

std::string ShortenedPath(std::string_view sPath, size_t uiMaxBytes)
{
    if (sPath.size() <= uiMaxBytes)
        return std::string(sPath);
    return JoinCut(sPath, HeadBytes(uiMaxBytes), sPath, TailBytes(uiMaxBytes));
}

QString ShortenedPath(const QString &sPath, size_t uiMaxBytes)
{
    // At most 3 UTF-8 bytes per UTF-16 unit: a short text needs no count.
    if (size_t(sPath.size()) * 3 <= uiMaxBytes)
        return sPath;
    const QByteArray Utf8 = sPath.toUtf8();
    if (size_t(Utf8.size()) <= uiMaxBytes)
        return sPath;
    return QString::fromStdString(ShortenedPath(std::string_view(Utf8.constData(), size_t(Utf8.size())), uiMaxBytes));
}

CBoundedPath::CBoundedPath(std::string sStart) : sStart(std::move(sStart))
{
    sKept = this->sStart.substr(0, KEPT_BYTES);
}

void CBoundedPath::Push(char cSeparator, std::string_view sName)
{
    const uint64_t uiEnd = Size() + (cSeparator != '\0' ? 1 : 0) + sName.size();
    if (sKept.size() < KEPT_BYTES)
    {
        if (cSeparator != '\0')
            sKept += cSeparator;
        sKept.append(sName.substr(0, KEPT_BYTES - std::min(KEPT_BYTES, sKept.size())));
    }
    Pieces.push_back({sName, uiEnd, cSeparator});
}

void CBoundedPath::Pop()
{
    if (Pieces.empty())
        return;
    Pieces.pop_back();
    if (Size() < sKept.size())
        sKept.resize(static_cast<size_t>(Size()));
}

void CBoundedPath::Truncate(size_t uiDepth)
{
    if (uiDepth >= Pieces.size())
        return;
    Pieces.resize(uiDepth);
    if (Size() < sKept.size())
        sKept.resize(static_cast<size_t>(Size()));
}

std::string CBoundedPath::Shown(size_t uiDepth, char cSeparator, std::string_view sLast) const
{
    uiDepth = std::min(uiDepth, Pieces.size());
    const uint64_t uiPrefix = uiDepth == 0 ? sStart.size() : Pieces[uiDepth - 1].uiEnd;
    const std::string_view sSeparator = cSeparator != '\0' ? std::string_view(&cSeparator, 1) : std::string_view();
    const uint64_t uiSize = uiPrefix + sSeparator.size() + sLast.size();
    // The start of the text: the kept bytes of the prefix, then the end.
    std::string sHead(std::string_view(sKept).substr(0, static_cast<size_t>(std::min<uint64_t>(uiPrefix, sKept.size()))));
    if (sHead.size() == uiPrefix)
        sHead.append(sSeparator).append(sLast.substr(0, KEPT_BYTES - std::min(KEPT_BYTES, sHead.size())));
    if (uiSize <= MAX_SHOWN_PATH_BYTES)
        return sHead;

    // The end of the text from the last pieces (and the start, if it comes
    // to that), a few bytes more than needed so the cut can find a
    // character's start.
    const size_t uiWanted = TailBytes(MAX_SHOWN_PATH_BYTES) + 4;
    std::vector<std::string_view> Parts{sLast, sSeparator};
    size_t uiHave = sLast.size() + sSeparator.size();
    for (size_t i = uiDepth; i > 0 && uiHave < uiWanted; --i)
    {
        const SPiece &Piece = Pieces[i - 1];
        Parts.push_back(Piece.sName);
        uiHave += Piece.sName.size();
        if (Piece.cSeparator != '\0')
        {
            Parts.push_back(std::string_view(&Piece.cSeparator, 1));
            uiHave += 1;
        }
    }
    if (uiHave < uiWanted)
        Parts.push_back(std::string_view(sStart).substr(sStart.size() - std::min(sStart.size(), uiWanted - uiHave)));
    std::string sTail;
    sTail.reserve(uiHave + uiWanted);
    for (auto It = Parts.rbegin(); It != Parts.rend(); ++It)
        sTail.append(*It);
    return JoinCut(sHead, HeadBytes(MAX_SHOWN_PATH_BYTES), sTail, TailBytes(MAX_SHOWN_PATH_BYTES));
}

}  // namespace Larkspur
