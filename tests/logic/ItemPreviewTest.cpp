// SPDX-License-Identifier: MIT
// What the preview pane gets for a file: text, hex or picture bytes, the
// notes that go with them, damaged chains, and that only the bytes shown are
// read.

#include "tests/support/DataSupport.h"

#include "window/ItemPreview.h"

using namespace Larkspur;
using namespace DataTest;
using GcfBuilder::SItem;

namespace
{

QByteArray Bytes(const std::string &sText)
{
    return QByteArray(sText.data(), qsizetype(sText.size()));
}


const std::string BigText = GcfBuilder::PatternText(3u << 19, "big.txt");  // 1.5 MiB
const std::string Binary = GcfBuilder::PatternData(200000, 2);

SItem PreviewTree()
{
    return SItem::Folder("root", {SItem::File("notes.txt", GcfBuilder::PatternText(3000, "notes.txt")),
                                  SItem::File("big.txt", BigText), SItem::File("data.bin", Binary),
                                  SItem::File("empty.res", ""), SItem::File("picture.png", Binary.substr(0, 70000)),
                                  SItem::File("broken.bin", Binary.substr(0, 5 * 8192)),
                                  SItem::File("late.bin", Binary.substr(0, 20 * 8192)), Ghost("ghost.txt", 10),
                                  Ghost("nothing.txt", 0), SItem::Folder("maps")});
}

// Pictures are whatever ends in .png here; the window asks Qt.
SItemPreview Preview(const CDataArchive &Archive, const std::string &sPath)
{
    return PreviewItem(Archive.GCF, Archive.Index(sPath),
                       [](QByteArrayView, const QString &sName) { return sName.endsWith(QLatin1String(".png")); });
}

}  // namespace

TEST(PreviewText, TellsTextFromBinary)
{
    const std::string sLongLine(300, 'a');
    const struct
    {
        std::string sBytes;
        bool bText;
    } Cases[] = {
        {"plain ascii\n", true},
        {"tabs\tand\r\nline ends\f\v", true},
        {"caf\xC3\xA9 and caf\xE9", true},
        {"", true},
        {std::string("a NUL\0byte", 10), false},
        {"\x01\x02\x03\x04 mostly control", false},
        {sLongLine + "\x1B" + sLongLine, true},  // one stray escape in 601 bytes
        {sLongLine + std::string(1, '\0') + sLongLine, false},  // but a NUL is never text
        {sLongLine + "\x7F\x7F\x7F\x7F", false},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(LooksLikeText(Bytes(Case.sBytes)), Case.bText) << Case.sBytes;
}

TEST(PreviewText, DecodesUtf8ElseLatin1)
{
    const struct
    {
        std::string sBytes;
        bool bCut;
        QString sText;
    } Cases[] = {
        {"caf\xC3\xA9", false, QStringLiteral("café")},
        {"caf\xE9", false, QStringLiteral("café")},  // Latin-1
        {"\xEF\xBB\xBF" "bom", false, QStringLiteral("bom")},
        {"euro \xE2\x82\xAC", true, QStringLiteral("euro €")},
        {"cut \xE2\x82", true, QStringLiteral("cut ")},  // cut off by the end of the bytes read
        {"cut \xC3", true, QStringLiteral("cut ")},
        {"cut \xC3", false, QStringLiteral("cut Ã")},   // the file's own end: not UTF-8
        {"bad \xC3 middle", true, QStringLiteral("bad Ã middle")},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(DecodePreviewText(Bytes(Case.sBytes), Case.bCut), Case.sText) << Case.sBytes;
}

TEST(PreviewText, LongLinesAreBrokenForDisplay)
{
    const QString sPair = QStringLiteral("\U0001F426");  // one character, two UTF-16 units
    const struct
    {
        QString sText;
        qsizetype iMaxLine;
        QString sShown;
    } Cases[] = {
        {"abcdefgh", 8, "abcdefgh"},
        {"abcdefghi", 8, "abcdefgh\ni"},
        {"abc\nabcdefghijklmnopq\nxy", 8, "abc\nabcdefgh\nijklmnop\nq\nxy"},
        {"abc" + sPair + "d", 4, "abc" + sPair + "\nd"},  // the pair stays whole
        {"", 8, ""},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(BreakLongLines(Case.sText, Case.iMaxLine), Case.sShown) << Case.sText.toStdString();
    // The window's own limit: a megabyte on one line becomes 256 lines.
    const QString sOneLine(1 << 20, QLatin1Char('{'));
    const QStringList Lines = BreakLongLines(sOneLine).split(QLatin1Char('\n'));
    EXPECT_EQ(Lines.size(), (1 << 20) / SHOWN_LINE_CHARACTERS);
    EXPECT_EQ(Lines.first().size(), SHOWN_LINE_CHARACTERS);
}

TEST(PreviewHex, WritesSixteenBytesALineAsHexdumpDoes)
{
    EXPECT_EQ(HexDump(Bytes(std::string("Hello, preview!\n\x00\x01\x7f\x80\xff", 21))),
              QStringLiteral("00000000  48 65 6c 6c 6f 2c 20 70  72 65 76 69 65 77 21 0a  |Hello, preview!.|\n"
                             "00000010  00 01 7f 80 ff                                    |.....|\n"));
    EXPECT_EQ(HexDump(QByteArray()), QString());
    EXPECT_TRUE(HexDump(QByteArray(65536, 'x')).endsWith(QLatin1String("\n0000fff0  78 78 78 78 78 78 78 78  "
                                                                         "78 78 78 78 78 78 78 78  |xxxxxxxxxxxxxxxx|\n")));
}

TEST(PreviewImage, CountsWeakMarksOnlyByTheirExtension)
{
    const QList<QByteArray> Readable = {"png", "jpeg", "jpg", "tga", "xbm", "bmp"};
    const struct
    {
        const char *szName, *szDetected;
        bool bImage;
    } Cases[] = {
        {"sky.tga", "", true},          {"SKY.TGA", "", true},       {"logo.png", "png", true},
        {"logo.dat", "png", true},      {"readme.txt", "xbm", false}, {"header.h", "tga", false},
        {"noext", "", false},           {"model.mdl", "", false},    {"old.pcx", "pcx", false},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(IsPreviewImage(QLatin1String(Case.szName), Case.szDetected, Readable), Case.bImage) << Case.szName;
}

TEST(PreviewItems, ShowTextHexPicturesAndEmptyFiles)
{
    CDataArchive Archive(PreviewTree());
    Archive.BreakChainAfter("\\root\\broken.bin", 0);
    Archive.BreakChainAfter("\\root\\late.bin", 10);  // after the 64 KiB a hex dump shows
    ASSERT_TRUE(Archive.Open());

    const SItemPreview Notes = Preview(Archive, "\\root\\notes.txt");
    EXPECT_EQ(Notes.eKind, EPreviewKind::Text);
    EXPECT_EQ(Notes.sText, QString::fromLatin1(GcfBuilder::PatternText(3000, "notes.txt")));
    EXPECT_EQ(Notes.sNote, QString());
    EXPECT_EQ(Notes.sDamage, QString());

    const SItemPreview Big = Preview(Archive, "\\root\\big.txt");
    EXPECT_EQ(Big.eKind, EPreviewKind::Text);
    EXPECT_EQ(Big.sText, QString::fromLatin1(BigText.substr(0, TEXT_BYTES)));
    EXPECT_EQ(Big.sNote, QStringLiteral("Showing the first 1.00 MB of 1.50 MB."));

    const SItemPreview Data = Preview(Archive, "\\root\\data.bin");
    EXPECT_EQ(Data.eKind, EPreviewKind::Hex);
    EXPECT_EQ(Data.sText, HexDump(Bytes(Binary.substr(0, HEX_BYTES))));
    EXPECT_EQ(Data.sNote, QStringLiteral("Showing the first 64.00 KB of 195.31 KB."));

    const SItemPreview Picture = Preview(Archive, "\\root\\picture.png");
    EXPECT_EQ(Picture.eKind, EPreviewKind::Image);
    EXPECT_EQ(Picture.Image, Bytes(Binary.substr(0, 70000)));  // the whole file

    SItemPreview NotAPicture = Picture;
    PreviewAsTextOrHex(NotAPicture);
    EXPECT_EQ(NotAPicture.eKind, EPreviewKind::Hex);
    EXPECT_EQ(NotAPicture.sText, HexDump(Bytes(Binary.substr(0, HEX_BYTES))));
    EXPECT_TRUE(NotAPicture.Image.isEmpty());
    // A picture past its bounds: its first bytes as hex, whatever they look
    // like, with the reason.
    SItemPreview TooSlow = Picture;
    TooSlow.Image = Bytes(BigText.substr(0, 70000));
    PreviewAsHex(TooSlow, QStringLiteral("The picture took too long to decode."));
    EXPECT_EQ(TooSlow.eKind, EPreviewKind::Hex);
    EXPECT_EQ(TooSlow.sText, HexDump(Bytes(BigText.substr(0, HEX_BYTES))));
    EXPECT_EQ(TooSlow.sNote, QStringLiteral("The picture took too long to decode."));
    EXPECT_TRUE(TooSlow.Image.isEmpty());

    for (const char *szEmpty : {"\\root\\empty.res", "\\root\\nothing.txt"})
    {
        const SItemPreview Empty = Preview(Archive, szEmpty);
        EXPECT_EQ(Empty.eKind, EPreviewKind::Text) << szEmpty;
        EXPECT_EQ(Empty.sText, QString());
        EXPECT_EQ(Empty.sNote, QStringLiteral("Empty file."));
        EXPECT_EQ(Empty.sDamage, QString());
    }
    EXPECT_EQ(Preview(Archive, "\\root\\maps").eKind, EPreviewKind::None);
    EXPECT_EQ(PreviewItem(Archive.GCF, 9999, {}).eKind, EPreviewKind::None);
}

TEST(PreviewItems, DamagedChainsShowTheBytesReadAndWhy)
{
    CDataArchive Archive(PreviewTree());
    Archive.BreakChainAfter("\\root\\broken.bin", 0);
    Archive.BreakChainAfter("\\root\\late.bin", 10);
    ASSERT_TRUE(Archive.Open());

    const SItemPreview Broken = Preview(Archive, "\\root\\broken.bin");
    EXPECT_EQ(Broken.eKind, EPreviewKind::Hex);
    EXPECT_EQ(Broken.sText, HexDump(Bytes(Binary.substr(0, 8192))));
    EXPECT_EQ(Broken.sDamage,
              QStringLiteral("Damaged data (data block index out of range): the preview ends after 8,192 bytes."));
    EXPECT_EQ(Broken.sNote, QString());

    const SItemPreview Missing = Preview(Archive, "\\root\\ghost.txt");
    EXPECT_EQ(Missing.eKind, EPreviewKind::Text);
    EXPECT_EQ(Missing.sDamage, QStringLiteral("Damaged data (no physical data): the preview ends after 0 bytes."));

    // Only the bytes shown are located: damage past them is never reached.
    const SItemPreview Late = Preview(Archive, "\\root\\late.bin");
    EXPECT_EQ(Late.eKind, EPreviewKind::Hex);
    EXPECT_EQ(Late.sDamage, QString());
    EXPECT_EQ(Late.sText, HexDump(Bytes(Binary.substr(0, HEX_BYTES))));
}

TEST(PreviewItems, AnArchiveCutShortUnderTheReadGivesANoteNotACrash)
{
    CDataArchive Archive(PreviewTree());
    ASSERT_TRUE(Archive.Open());
    const uint32_t uiData = Archive.Index("\\root\\data.bin");
    const uint64_t uiFirstBlock = Archive.Archive.Layout.uiDataStart +
                                  uint64_t(Archive.Archive.Layout.Blocks[uiData].front()) * 8192;
    Archive.CutShortAt(uiFirstBlock + 8192 + 100);  // the second block is gone but for its first bytes
    const SItemPreview Data = Preview(Archive, "\\root\\data.bin");
    EXPECT_TRUE(Data.sDamage.contains(QLatin1String("the archive was cut short while it was open")))
        << Data.sDamage.toStdString();
    EXPECT_EQ(Data.eKind, EPreviewKind::Hex);
    EXPECT_TRUE(Data.sText.size() < HexDump(Bytes(Binary.substr(0, HEX_BYTES))).size());
}

TEST(PreviewImage, AFirstVersionTgaGetsTheFooterTheDecoderWants)
{
    const QByteArray Signature("TRUEVISION-XFILE.\0", 18);
    const QByteArray Old("header and pixels");
    EXPECT_EQ(ImageBytesForDecoding("tga", Old), Old + QByteArray(8, '\0') + Signature);
    EXPECT_EQ(ImageBytesForDecoding("tga", Old + QByteArray(8, '\0') + Signature), Old + QByteArray(8, '\0') + Signature);
    EXPECT_EQ(ImageBytesForDecoding("png", Old), Old);
    EXPECT_EQ(PreviewImageFormat(QStringLiteral("Sky.TGA"), {"png", "tga"}), QByteArray("tga"));
    EXPECT_EQ(PreviewImageFormat(QStringLiteral("sky.tga.txt"), {"png", "tga"}), QByteArray());
    EXPECT_EQ(PreviewImageFormat(QStringLiteral("sky"), {"png", "tga"}), QByteArray());
}

// A file whose chain holds more than its recorded size shows that size and
// says why it ends there.
TEST(PreviewItems, MoreDataThanTheRecordedSizeIsDamage)
{
    SItem Liar = SItem::File("liar.txt", GcfBuilder::PatternText(3000, "liar.txt"));
    Liar.bOverrideItemSize = true;
    Liar.uiItemSize = 1000;
    CDataArchive Archive(SItem::Folder("root", {Liar}));
    ASSERT_TRUE(Archive.Open());
    const SItemPreview Shown = Preview(Archive, "\\root\\liar.txt");
    EXPECT_EQ(Shown.eKind, EPreviewKind::Text);
    EXPECT_EQ(Shown.sText, QString::fromLatin1(GcfBuilder::PatternText(1000, "liar.txt")));
    EXPECT_EQ(Shown.sDamage, QStringLiteral("Damaged data (more data than the item's recorded size): the preview ends "
                                            "after 1,000 bytes."));
}
