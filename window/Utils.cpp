// SPDX-License-Identifier: MIT
#include "Utils.h"

#include <QByteArrayView>
#include <QLocale>

#include <charconv>
#include <cstdlib>

namespace Larkspur
{

QHash<QString, QString> *Utils::ExtTable = nullptr;

namespace
{

// The user's locale, with its group separator always in: the sizes read
// "#,##0", and Qt's "C" locale would otherwise leave the separator out.
QLocale NumberLocale()
{
    QLocale Locale;
    Locale.setNumberOptions(Locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return Locale;
}

// A size of 1024 bytes or more in hundredths of the unit (KB or MB).
// The product is single precision, and it reads as a single-precision value
// does: first its seven significant digits, correctly rounded, then that
// decimal rounded to two places with halves away from zero. Rounding the
// binary value straight to two places would differ in the last digit for a
// few sizes (102,487 bytes are exactly 100.0849609375 KB: 100.0850, then 100.09).
uint64_t ScaledHundredths(uint32_t iFileSize, float fFactor)
{
    const float fProduct = static_cast<float>(iFileSize) * fFactor;

    // "d.dddddde+XX": seven significant digits of the float's exact value.
    char cDigits[32];
    const auto Result = std::to_chars(cDigits, cDigits + sizeof(cDigits), static_cast<double>(fProduct),
                                      std::chars_format::scientific, 6);
    *Result.ptr = '\0';

    uint64_t uiSignificand = 0;  // the seven digits as one integer
    const char *lpChar = cDigits;
    for (; *lpChar != 'e'; ++lpChar)
        if (*lpChar >= '0' && *lpChar <= '9')
            uiSignificand = uiSignificand * 10 + static_cast<uint64_t>(*lpChar - '0');
    const int iExponent = std::atoi(lpChar + 1);

    // The value is uiSignificand * 10^(iExponent - 6); in hundredths that is
    // uiSignificand * 10^(iExponent - 4).
    int iShift = iExponent - 4;
    if (iShift >= 0)
    {
        while (iShift-- > 0)
            uiSignificand *= 10;
        return uiSignificand;
    }
    uint64_t uiDivisor = 1;
    while (iShift++ < 0)
        uiDivisor *= 10;
    const uint64_t uiQuotient = uiSignificand / uiDivisor;
    const uint64_t uiRemainder = uiSignificand % uiDivisor;
    return uiRemainder * 2 >= uiDivisor ? uiQuotient + 1 : uiQuotient;
}

}  // namespace

void Utils::BuildExtTable()
{
    if (ExtTable)
        return;
    ExtTable = new QHash<QString, QString>();
    ExtTable->insert(QStringLiteral("EXE"), QStringLiteral("Application"));
    ExtTable->insert(QStringLiteral("DLL"), QStringLiteral("Application Extension"));
    ExtTable->insert(QStringLiteral("TXT"), QStringLiteral("Text File"));
    ExtTable->insert(QStringLiteral("CFG"), QStringLiteral("Config File"));
    ExtTable->insert(QStringLiteral("BMP"), QStringLiteral("Bitmap Image"));
    ExtTable->insert(QStringLiteral("TGA"), QStringLiteral("Targa Image"));
    ExtTable->insert(QStringLiteral("JPG"), QStringLiteral("JPEG Image"));
    ExtTable->insert(QStringLiteral("JPEG"), QStringLiteral("JPEG Image"));
    ExtTable->insert(QStringLiteral("GIF"), QStringLiteral("GIF Image"));
    ExtTable->insert(QStringLiteral("PNG"), QStringLiteral("PNG Image"));
    ExtTable->insert(QStringLiteral("ICO"), QStringLiteral("Icon"));
    ExtTable->insert(QStringLiteral("HTM"), QStringLiteral("HTML Document"));
    ExtTable->insert(QStringLiteral("HTML"), QStringLiteral("HTML Document"));
    ExtTable->insert(QStringLiteral("BSP"), QStringLiteral("Half-Life Level"));
    ExtTable->insert(QStringLiteral("WAD"), QStringLiteral("Texture Package"));
    ExtTable->insert(QStringLiteral("MDL"), QStringLiteral("Half-Life Model"));
    ExtTable->insert(QStringLiteral("SPR"), QStringLiteral("Sprite"));
    ExtTable->insert(QStringLiteral("WAV"), QStringLiteral("Wave Audio File"));
    ExtTable->insert(QStringLiteral("MP3"), QStringLiteral("MP3 Audio File"));
    ExtTable->insert(QStringLiteral("AVI"), QStringLiteral("AVI Video File"));
    ExtTable->insert(QStringLiteral("MPG"), QStringLiteral("MPEG Video File"));
    ExtTable->insert(QStringLiteral("MPEG"), QStringLiteral("MPEG Video File"));
    ExtTable->insert(QStringLiteral("RES"), QStringLiteral("Resource File"));
}

QString Utils::FileSizeToString(uint32_t iFileSize, bool bDetailed)
{
    const QLocale Locale = NumberLocale();
    if (iFileSize < 1024)
        return Locale.toString(static_cast<qulonglong>(iFileSize)) + QStringLiteral(" B");

    const bool bKilobytes = iFileSize < 1048576;
    const uint64_t uiHundredths = ScaledHundredths(iFileSize, bKilobytes ? 0.0009765625f : 9.5367431640625e-07f);
    // At most 4,096.00: as a double it lies far closer to the two-decimal
    // value than half a hundredth, so formatting it gives exactly these digits.
    QString sText = Locale.toString(static_cast<double>(uiHundredths) / 100.0, 'f', 2);
    sText += bKilobytes ? QStringLiteral(" KB") : QStringLiteral(" MB");
    if (bDetailed)
        sText += QStringLiteral(" (") + Locale.toString(static_cast<qulonglong>(iFileSize)) + QStringLiteral(" B)");
    return sText;
}

QString Utils::FileSizeToString(uint32_t iFileSize)
{
    return FileSizeToString(iFileSize, false);
}

QString Utils::LargeFileSizeToString(uint64_t uiFileSize, bool bDetailed)
{
    if (uiFileSize <= UINT32_MAX)
        return FileSizeToString(uint32_t(uiFileSize), bDetailed);
    // Megabytes to the nearest hundredth, halves rounded up, without the
    // overflow that multiplying the whole size by 100 would risk.
    constexpr uint64_t MEGABYTE = 1048576;
    const uint64_t uiHundredths = uiFileSize / MEGABYTE * 100 + (uiFileSize % MEGABYTE * 100 + MEGABYTE / 2) / MEGABYTE;
    const QLocale Locale = NumberLocale();
    QString sText = Locale.toString(static_cast<qulonglong>(uiHundredths / 100)) + Locale.decimalPoint() +
                    QStringLiteral("%1").arg(uiHundredths % 100, 2, 10, QLatin1Char('0')) + QStringLiteral(" MB");
    if (bDetailed)
        sText += QStringLiteral(" (") + GroupedNumber(uiFileSize) + QStringLiteral(" B)");
    return sText;
}

QString Utils::FileTypeToString(const QString &sFileName)
{
    const qsizetype iDot = sFileName.lastIndexOf(QLatin1Char('.'));
    if (iDot < 0)
        return QStringLiteral("File");

    const QString sExtension = sFileName.mid(iDot + 1).toUpper();
    // The table is built at program entry; a caller that runs before it (a
    // test, a tool) still gets the table's names rather than a crash.
    if (!ExtTable)
        BuildExtTable();
    const auto Found = ExtTable->constFind(sExtension);
    if (Found != ExtTable->constEnd())
        return Found.value();
    return sExtension + QStringLiteral(" File");
}

QString Utils::GroupedNumber(uint64_t uiNumber)
{
    return NumberLocale().toString(static_cast<qulonglong>(uiNumber));
}

QString Utils::DecodeName(std::string_view sName)
{
    const QByteArrayView Bytes(sName.data(), static_cast<qsizetype>(sName.size()));
    if (Bytes.isValidUtf8())
        return QString::fromUtf8(Bytes);
    return QString::fromLatin1(Bytes);
}

}  // namespace Larkspur
