// SPDX-License-Identifier: MIT
// Writes fuzz_preview's seeds into a folder: texts (plain, UTF-8, Latin-1,
// one long line), pictures in the formats the window decodes (a progressive
// JPEG with repeated scans among them, and a header that promises a huge
// picture), each after the byte that names its file; and small archives
// holding such files, after a byte of 0x80.

#include "GcfBuilder.h"
#include "tests/support/PictureSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>
#include <string>

namespace
{

// The byte before a file's bytes: the index of its name in fuzz_preview's
// list, plus the choice bits (0x10: decode even if not a picture, 0x20: the
// window's own line limit, 0x40: the bytes are cut from a longer file).
enum ENameByte : char
{
    TEXT = 0x00,
    PNG = 0x01,
    JPG = 0x02,
    GIF = 0x03,
    TGA = 0x04,
    BMP = 0x05,
    ICO = 0x06,
    PBM = 0x07,
    PPM = 0x09,
    XPM = 0x0B,
    DATA = 0x0C,
    JPEG = 0x0F,
};

std::string Bytes(const QByteArray &Data)
{
    return Data.toStdString();
}

}  // namespace

int main(int argc, char **argv)
{
    QCoreApplication App(argc, argv);
    if (argc != 2)
    {
        std::fprintf(stderr, "usage: %s FOLDER\n", argv[0]);
        return 2;
    }
    const QDir Folder(QString::fromLocal8Bit(argv[1]));
    if (!QDir().mkpath(Folder.path()))
        return 1;
    int iWritten = 0;
    bool bFailed = false;
    const auto Write = [&](const char *szName, char cChoice, const QByteArray &Data) {
        QFile File(Folder.filePath(QString::fromLatin1(szName)));
        if (!File.open(QIODevice::WriteOnly) || File.write(QByteArray(1, cChoice) + Data) != Data.size() + 1)
        {
            std::fprintf(stderr, "cannot write seed %s\n", szName);
            bFailed = true;
        }
        ++iWritten;
    };

    const QImage Small = PictureTest::FilledPicture(QSize(24, 16));
    const QByteArray Jpeg = PictureTest::RepeatedScanJpeg(QSize(64, 64), 6000);
    Write("text", TEXT | 0x20, "First line\nsecond line\tand a tab\r\n");
    Write("utf8", TEXT | 0x20, "caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x90\xA6\n");
    Write("latin1", TEXT | 0x40, "caf\xE9 cut \xC3");
    Write("longline", TEXT | 0x05, QByteArray(3000, 'j') + "\n" + QByteArray(70, 'k'));
    Write("binary", DATA | 0x10, QByteArray("\x00\x01\x02\xFF\xFE", 5));
    Write("png", PNG, PictureTest::WritePicture(Small, "png"));
    Write("jpg", JPG, PictureTest::WritePicture(Small, "jpeg"));
    Write("progressive", JPEG, Jpeg);
    Write("bmp", BMP, PictureTest::WritePicture(Small, "bmp"));
    Write("huge-bmp", BMP, PictureTest::HugeBmpHeader(20000, 20000));
    Write("ico", ICO, PictureTest::WritePicture(Small, "ico"));
    Write("pbm", PBM, PictureTest::WritePicture(Small.convertToFormat(QImage::Format_Mono), "pbm"));
    Write("ppm", PPM, PictureTest::WritePicture(Small, "ppm"));
    Write("xpm", XPM, PictureTest::WritePicture(Small, "xpm"));
    // The smallest GIF: one transparent pixel.
    Write("gif", GIF, QByteArray("GIF89a\x01\x00\x01\x00\x80\x00\x00\xFF\xFF\xFF\x00\x00\x00\x21\xF9\x04\x01\x00"
                                 "\x00\x00\x00\x2C\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00\x3B",
                                 43));
    // An uncompressed true-colour TGA of 2 x 1 pixels, first version (no footer).
    Write("tga", TGA, QByteArray("\x00\x00\x02\x00\x00\x00\x00\x00\x00\x00\x00\x00\x02\x00\x01\x00\x18\x20"
                                 "\xC8\x78\x1E\xC8\x78\x1E",
                                 24));

    using GcfBuilder::SItem;
    const SItem Tree = SItem::Folder(
        "root", {SItem::File("readme.txt", "A text file\nof two lines\n"),
                 SItem::Folder("pictures", {SItem::File("small.png", Bytes(PictureTest::WritePicture(Small, "png"))),
                                            SItem::File("scans.dat", Bytes(Jpeg))}),
                 SItem::File("long.json", std::string(9000, '{')), SItem::File("blob.bin", std::string("\x00\x7F", 2))});
    for (const uint32_t uiBlockSize : {512u, 8192u})
    {
        GcfBuilder::SOptions Options;
        Options.uiBlockSize = Options.uiDataBlockSize = uiBlockSize;
        const std::vector<uint8_t> Archive = GcfBuilder::Build(Tree, Options).Bytes;
        const std::string sName = "archive-" + std::to_string(uiBlockSize);
        Write(sName.c_str(), char(0x80), QByteArray(reinterpret_cast<const char *>(Archive.data()), qsizetype(Archive.size())));
    }
    std::printf("wrote %d seeds\n", iWritten);
    return bFailed ? 1 : 0;
}
