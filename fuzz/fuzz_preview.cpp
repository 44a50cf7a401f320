// SPDX-License-Identifier: MIT
// Fuzz target: the preview's text and picture decoding, and the cut of a
// shown location. The first byte picks what the rest is:
// - below 0x80: one file's bytes, named by the byte (an extension the window
//   decodes, or none, so that formats are sniffed as well as named): the
//   text test, the text's decoding and line breaks, the hex dump, the
//   picture test and a bounded decode, as the preview pane runs them;
// - 0x80 and above: an archive, every file of which (up to a few dozen) is
//   previewed as the window previews it, pictures decoded.
// Besides crashes it looks for broken bounds: a shown line longer than its
// limit, a picture past MAX_PICTURE_PIXELS, a decode past its deadline, a
// cut text longer than its bytes.

#include "archive/CGCF.h"
#include "window/FolderLocations.h"
#include "window/ShownText.h"
#include "window/ItemPreview.h"
#include "window/PictureDecoding.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

using namespace Larkspur;

namespace
{

// A decode under the fuzzer gets a shorter deadline than the window's, and
// a smaller picture: some decoders go on through every pixel after their
// data has ended, which for the window's largest picture takes seconds
// (under the sanitizers, more than the fuzzer's -timeout). What is looked
// for is a decode that does not end, or ends past its bounds.
constexpr int FUZZ_DECODE_MILLISECONDS = 1000;
constexpr int64_t FUZZ_MAX_PIXELS = 4096 * 1024;
// What a decoder may still do once its data has ended (the last pass over
// the picture) before the run counts as one that ignored its deadline;
// within scripts/fuzz's -timeout of 5 s.
constexpr int AFTER_DEADLINE_MILLISECONDS = 3000;
constexpr size_t MOST_ARCHIVE_FILES = 32;

const char *const NAMES[] = {"notes.txt", "picture.png", "photo.jpg", "anim.gif", "sky.tga", "image.bmp",
                             "icon.ico",  "bitmap.pbm",  "gray.pgm",  "color.ppm", "c.xbm",  "c.xpm",
                             "data",      "data.bin",    "web.svg",   "pic.jpeg"};

void Check(bool bHolds, const char *szWhat)
{
    if (!bHolds)
    {
        std::fprintf(stderr, "fuzz_preview: broken bound: %s\n", szWhat);
        std::abort();
    }
}

void CheckLines(const QString &sText, qsizetype iMaxLine)
{
    qsizetype iLength = 0;
    for (const QChar cChar : sText)
    {
        iLength = cChar == QLatin1Char('\n') ? 0 : iLength + 1;
        // One more for a character that a break would have cut in two.
        Check(iLength <= iMaxLine + 1, "a shown line longer than its limit");
    }
}

void DecodeWithinBounds(const QByteArray &Bytes, const QString &sName)
{
    const std::atomic<bool> bStop{false};
    QElapsedTimer Timer;
    Timer.start();
    const SDecodedPicture Picture =
        DecodePicture(Bytes, sName, bStop, QDeadlineTimer(FUZZ_DECODE_MILLISECONDS), FUZZ_MAX_PIXELS);
    Check(Timer.elapsed() < FUZZ_DECODE_MILLISECONDS + AFTER_DEADLINE_MILLISECONDS, "a decode past its deadline");
    if (Picture.eResult == EPictureResult::Decoded)
        Check(int64_t(Picture.Image.width()) * Picture.Image.height() <= FUZZ_MAX_PIXELS, "a picture too large");
    else
        Check(Picture.Image.isNull(), "a picture kept from a failed decode");
    Check(Picture.eResult != EPictureResult::Stopped, "a decode stopped that nobody stopped");
}

void PreviewFile(const QByteArray &Bytes, const QString &sName, uint8_t uiChoice)
{
    const QByteArrayView View(Bytes);
    const bool bText = LooksLikeText(View.first(std::min<qsizetype>(View.size(), qsizetype(HEX_BYTES))));
    const QString sText = DecodePreviewText(View.first(std::min<qsizetype>(View.size(), qsizetype(TEXT_BYTES))),
                                            (uiChoice & 0x40) != 0);
    // Short limits reach the breaking with short inputs too.
    const qsizetype iMaxLine = (uiChoice & 0x20) ? SHOWN_LINE_CHARACTERS : 2 + uiChoice % 29;
    const QString sShown = BreakLongLines(sText, iMaxLine);
    CheckLines(sShown, iMaxLine);
    Check(sShown.size() <= sText.size() + sText.size() / (iMaxLine / 2) + 1, "a broken text grown too much");
    const QString sDump = HexDump(View.first(std::min<qsizetype>(View.size(), qsizetype(HEX_BYTES))));
    Check(sDump.size() <= (View.size() + 15) / 16 * 79, "a hex dump longer than its lines");
    const QString sCut = ShortenedPath(sText, uiChoice);
    Check(sCut.toUtf8().size() <= std::max<qsizetype>(uiChoice, 3), "a cut text past its bytes");
    // Text is decoded as a picture too now and then: a weak mark or a name
    // can make the window try.
    const bool bPicture = IsPreviewPicture(View.first(std::min<qsizetype>(View.size(), qsizetype(HEX_BYTES))), sName);
    if (bPicture || (!bText && (uiChoice & 0x10)) || (uiChoice & 0x18) == 0x18)
        DecodeWithinBounds(Bytes, sName);
}

void PreviewArchive(const uint8_t *lpData, size_t uiSize)
{
    // An exactly sized copy: a read past the input is a heap overflow.
    std::unique_ptr<uint8_t[]> Bytes(new uint8_t[uiSize > 0 ? uiSize : 1]);
    if (uiSize > 0)
        std::memcpy(Bytes.get(), lpData, uiSize);
    CGCF GCF;
    const char *szDumpFolder = std::getenv("FUZZ_DUMP_FOLDER");
    GCF.SetDumpFolder(szDumpFolder != nullptr ? szDumpFolder : "");
    if (!GCF.OpenMemory(Bytes.get(), uiSize, "fuzz.gcf"))
        return;
    std::vector<SDirectoryWalkItem> Items;
    GCF.WalkDirectory(0, Items);
    const CFolderLocations Locations(GCF, Items);
    size_t uiFiles = 0;
    for (const SDirectoryWalkItem &Item : Items)
    {
        Check(Locations.Location(Item.uiDirectoryIndex).toUtf8().size() <= qsizetype(MAX_SHOWN_PATH_BYTES),
              "a location past its bytes");
        if (GCF.IsFolder(Item.uiDirectoryIndex) || ++uiFiles > MOST_ARCHIVE_FILES)
            continue;
        SItemPreview Preview = PreviewItem(GCF, Item.uiDirectoryIndex, &IsPreviewPicture);
        if (Preview.eKind == EPreviewKind::Text)
            CheckLines(Preview.sText, SHOWN_LINE_CHARACTERS);
        if (Preview.eKind == EPreviewKind::Image)
            DecodeWithinBounds(Preview.Image, QStringLiteral("item"));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *lpData, size_t uiSize)
{
    // Image plugins are found through the application's library paths.
    static int iArgc = 1;
    static char szName[] = "fuzz_preview";
    static char *Argv[] = {szName, nullptr};
    static QCoreApplication *lpApp = QCoreApplication::instance() ? nullptr : new QCoreApplication(iArgc, Argv);
    (void)lpApp;
    LimitPictureAllocation();

    if (uiSize == 0)
        return 0;
    const uint8_t uiChoice = lpData[0];
    if (uiChoice >= 0x80)
    {
        PreviewArchive(lpData + 1, uiSize - 1);
        return 0;
    }
    const QByteArray Bytes(reinterpret_cast<const char *>(lpData + 1), qsizetype(uiSize - 1));
    PreviewFile(Bytes, QLatin1String(NAMES[uiChoice % (sizeof NAMES / sizeof NAMES[0])]), uiChoice);
    return 0;
}
