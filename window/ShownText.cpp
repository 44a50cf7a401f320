// SPDX-License-Identifier: MIT
#include "window/ShownText.h"

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
        if (IsControl(uiCodePoint))
            sShown.push_back('?');
        else
            sShown.append(sText.substr(i, uiLength));
        i += uiLength;
    }
    return sShown;
}

QString ShownText(const QString &sText)
{
    QString sShown = sText;
    for (QChar &cChar : sShown)
    {
        if (IsControl(cChar.unicode()))
            cChar = QLatin1Char('?');
    }
    return sShown;
}

}  // namespace Larkspur
