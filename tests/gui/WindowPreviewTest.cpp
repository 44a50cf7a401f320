// SPDX-License-Identifier: MIT
// The preview pane (View > Preview, F3) and the checksums of a file's
// Properties: what shows for text, pictures, other files and damaged ones,
// pictures past the bounds of their decoding, notes that read on any
// palette, which selection the pane follows, and the pane kept across runs.

#include "WindowFixture.h"

#include "dialogs/CProperties.h"
#include "tests/support/PictureSupport.h"
#include "window/Contrast.h"
#include "window/PictureDecoding.h"
#include "window/PreviewPane.h"

#include <QApplication>
#include <QBuffer>
#include <QCryptographicHash>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QSplitter>
#include <QTextEdit>

using GcfBuilder::SItem;

namespace
{

std::string PictureBytes(const char *szFormat)
{
    QImage Picture(40, 30, QImage::Format_RGB32);
    Picture.fill(QColor(30, 120, 200));
    QByteArray Bytes;
    QBuffer Buffer(&Bytes);
    Buffer.open(QIODevice::WriteOnly);
    Picture.save(&Buffer, szFormat);
    return Bytes.toStdString();
}

// An uncompressed true-colour TGA (Qt reads the format but does not write it).
std::string TgaBytes(uint8_t uiWidth, uint8_t uiHeight)
{
    std::string sBytes(18, '\0');
    sBytes[2] = 2;  // uncompressed true colour
    sBytes[12] = char(uiWidth);
    sBytes[14] = char(uiHeight);
    sBytes[16] = 24;    // bits per pixel
    sBytes[17] = 0x20;  // the first row at the top
    for (int i = 0; i < uiWidth * uiHeight; ++i)
        sBytes += "\xC8\x78\x1E";
    return sBytes;
}

const std::string NotesText = "First line of the notes\ncaf\xC3\xA9 au lait\n";

SItem PreviewTree()
{
    return SItem::Folder(
        "root", {SItem::File("notes.txt", NotesText), SItem::File("data.bin", std::string("\x00\x01" "ABC", 5)),
                 SItem::File("logo.png", PictureBytes("PNG")), SItem::File("sky.tga", TgaBytes(20, 10)),
                 SItem::File("fake.png", "not a picture"),
                 SItem::File("broken.bin", GcfBuilder::PatternData(3 * 8192, 4)), SItem::Folder("maps"),
                 SItem::File("big.bin", GcfBuilder::PatternData(12u << 20, 5)),
                 SItem::File("long.txt", GcfBuilder::PatternText(3u << 20, "long.txt")),
                 SItem::File("minified.json", std::string(300000, '{'))});
}

class WindowPreviewTest : public WindowTest
{
protected:
    // Opens the preview archive (broken.bin's chain broken after its first block).
    void OpenPreviewArchive()
    {
        GcfBuilder::SArchive Archive = GcfBuilder::Build(PreviewTree());
        const auto &Paths = Archive.Layout.Paths;
        const uint32_t uiBroken = uint32_t(std::find(Paths.begin(), Paths.end(), "\\root\\broken.bin") - Paths.begin());
        GcfBuilder::SetNextBlock(Archive, Archive.Layout.Blocks[uiBroken][0], 0x7FFFFFF0u);
        Open(WriteArchive(QStringLiteral("preview.gcf"), Archive));
    }

    int RowOf(const QString &sName) const
    {
        for (int iRow = 0; iRow < ListModel()->rowCount(); ++iRow)
            if (ListName(iRow) == sName)
                return iRow;
        ADD_FAILURE() << sName.toStdString();
        return -1;
    }
    // Selects a row and waits until the pane, if shown, shows it.
    void SelectFile(const QString &sName) const
    {
        SelectRows({RowOf(sName)});
        if (Pane()->isVisible() && ListModel()->index(RowOf(sName), 2).data().toString() != QLatin1String("Folder"))
        {
            EXPECT_TRUE(QTest::qWaitFor([&] { return Label("lblPreviewName") == sName; })) << sName.toStdString();
        }
    }

    // Waits until the pane shows a preview of the kind; a failure when it never does.
    void ExpectKind(Larkspur::EPreviewKind eKind) const
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return Pane()->GetKind() == eKind; })) << "kind " << int(eKind);
    }

    Larkspur::GCFPreviewPane *Pane() const { return Child<Larkspur::GCFPreviewPane>("pnlPreview"); }
    QString PreviewText() const { return Child<QPlainTextEdit>("txtPreview")->toPlainText(); }
    QString Label(const char *szName) const { return Child<QLabel>(szName)->text(); }
    bool Shows(const char *szName) const
    {
        const auto *lpPage = Child<QWidget>(szName);
        return lpPage && lpPage->isVisibleTo(Window.get());
    }
};

}  // namespace

TEST_F(WindowPreviewTest, TheViewMenuItemAndF3ShowAndHideThePane)
{
    Start();
    QAction *btnPreview = Action("btnPreview");
    EXPECT_EQ(btnPreview->text(), QStringLiteral("&Preview"));
    EXPECT_EQ(btnPreview->shortcut(), QKeySequence(Qt::Key_F3));
    EXPECT_TRUE(btnPreview->isCheckable());
    EXPECT_FALSE(btnPreview->isChecked());
    EXPECT_FALSE(Pane()->isVisible());
    // The View menu keeps its items and adds this one at its end.
    const QList<QAction *> ViewItems = Child<QMenu>("btnView")->actions();
    EXPECT_EQ(ViewItems.last(), btnPreview);

    QTest::keyClick(Window.get(), Qt::Key_F3);
    EXPECT_TRUE(btnPreview->isChecked());
    EXPECT_TRUE(Pane()->isVisible());
    const QList<int> Sizes = Child<QSplitter>("splMain")->sizes();
    ASSERT_EQ(Sizes.size(), 3);
    EXPECT_GT(Sizes[2], 100);
    EXPECT_GT(Sizes[1], Sizes[2]);  // beside the list, narrower than it
    EXPECT_TRUE(Shows("lblPreviewEmpty"));
    // Drops on the pane reach the window, which opens a dropped archive.
    for (const QWidget *lpChild : Pane()->findChildren<QWidget *>())
        EXPECT_FALSE(lpChild->acceptDrops()) << lpChild->objectName().toStdString();

    btnPreview->trigger();
    EXPECT_FALSE(Pane()->isVisible());
}

TEST_F(WindowPreviewTest, ShowsTextPicturesAndHexOfTheSelectedFile)
{
    Start();
    OpenPreviewArchive();
    Action("btnPreview")->trigger();

    SelectFile(QStringLiteral("notes.txt"));
    ExpectKind(Larkspur::EPreviewKind::Text);
    EXPECT_EQ(PreviewText(), QString::fromStdString(NotesText));
    EXPECT_EQ(Label("lblPreviewName"), QStringLiteral("notes.txt"));
    EXPECT_FALSE(Shows("lblPreviewNote") || Shows("lblPreviewDamage"));

    SelectFile(QStringLiteral("data.bin"));
    ExpectKind(Larkspur::EPreviewKind::Hex);
    EXPECT_EQ(PreviewText(), QStringLiteral("00000000  00 01 41 42 43                                    |..ABC|"));

    const struct
    {
        const char *szName, *szNote;
        QSize Size;
    } Pictures[] = {{"logo.png", "40 x 30 pixels, PNG image.", QSize(40, 30)},
                    {"sky.tga", "20 x 10 pixels, TGA image.", QSize(20, 10)}};
    for (const auto &Picture : Pictures)
    {
        SelectFile(QLatin1String(Picture.szName));
        ExpectKind(Larkspur::EPreviewKind::Image);
        EXPECT_TRUE(Shows("imgPreview"));
        EXPECT_EQ(Label("lblPreviewNote"), QLatin1String(Picture.szNote));
        EXPECT_EQ(Pane()->GetImage().size(), Picture.Size);
        // Both pictures are filled with one colour, drawn in the pane's middle.
        const QImage Shown = Child<QWidget>("imgPreview")->grab().toImage();
        EXPECT_EQ(QColor(Shown.pixel(Shown.rect().center())), QColor(30, 120, 200)) << Picture.szName;
    }

    // A name that promises a picture the bytes do not hold.
    SelectFile(QStringLiteral("fake.png"));
    ExpectKind(Larkspur::EPreviewKind::Text);
    EXPECT_EQ(PreviewText(), QStringLiteral("not a picture"));

    SelectFile(QStringLiteral("broken.bin"));
    ExpectKind(Larkspur::EPreviewKind::Hex);
    EXPECT_TRUE(Shows("lblPreviewDamage"));
    EXPECT_EQ(Label("lblPreviewDamage"),
              QStringLiteral("Damaged data (data block index out of range): the preview ends after 8,192 bytes."));
    EXPECT_EQ(PreviewText().count(QLatin1Char('\n')) + 1, 8192 / 16);

    // A large file shows its first bytes at once.
    SelectFile(QStringLiteral("big.bin"));
    ExpectKind(Larkspur::EPreviewKind::Hex);
    EXPECT_EQ(Label("lblPreviewNote"), QStringLiteral("Showing the first 64.00 KB of 12.00 MB."));

    // A long text shows its first MiB at once; a line too long to lay out
    // is broken for display.
    SelectFile(QStringLiteral("long.txt"));
    EXPECT_EQ(PreviewText(), QString::fromStdString(GcfBuilder::PatternText(1u << 20, "long.txt")));
    EXPECT_EQ(Label("lblPreviewNote"), QStringLiteral("Showing the first 1.00 MB of 3.00 MB."));
    SelectFile(QStringLiteral("minified.json"));
    const QStringList Lines = PreviewText().split(QLatin1Char('\n'));
    EXPECT_EQ(Lines.size(), (300000 + Larkspur::SHOWN_LINE_CHARACTERS - 1) / Larkspur::SHOWN_LINE_CHARACTERS);
    EXPECT_EQ(Lines.join(QString()), QString(300000, QLatin1Char('{')));

    // A folder, or nothing, empties the pane.
    SelectFile(QStringLiteral("maps"));
    ExpectKind(Larkspur::EPreviewKind::None);
    EXPECT_TRUE(Shows("lblPreviewEmpty"));
    SelectFile(QStringLiteral("notes.txt"));
    ExpectKind(Larkspur::EPreviewKind::Text);
    Details()->selectionModel()->clearSelection();
    ExpectKind(Larkspur::EPreviewKind::None);
}

TEST_F(WindowPreviewTest, PicturesPastTheirBoundsShowAsHexWithTheReason)
{
    // Scans that keep a decoder busy for a minute, in a file named as no
    // picture (the format is told from the bytes); a picture too large.
    const QByteArray Scans = PictureTest::RepeatedScanJpeg(QSize(4096, 4096), 1 << 20);
    ASSERT_FALSE(Scans.isEmpty());
    Start();
    Open(WriteArchive(QStringLiteral("hostile.gcf"),
                      SItem::Folder("root", {SItem::File("scans.dat", Scans.toStdString()),
                                             SItem::File("huge.bmp", PictureTest::HugeBmpHeader(9000, 9000).toStdString()),
                                             SItem::File("notes.txt", NotesText)})));
    Action("btnPreview")->trigger();

    const struct
    {
        const char *szName, *szNote;
    } Cases[] = {{"scans.dat", "The picture took too long to decode."}, {"huge.bmp", "The picture is too large to show."}};
    for (const auto &Case : Cases)
    {
        SelectFile(QLatin1String(Case.szName));
        // The window goes on while the picture is decoded: events run (this
        // wait runs them) until the pane gives up on it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return Pane()->GetKind() == Larkspur::EPreviewKind::Hex; }, 60000));
        EXPECT_EQ(Label("lblPreviewNote"), QLatin1String(Case.szNote));
        EXPECT_TRUE(PreviewText().startsWith(QLatin1String("00000000  ")));
        EXPECT_FALSE(Pane()->IsDecoding());
    }
    // Moving on while a picture is decoded shows the next file at once.
    SelectFile(QStringLiteral("scans.dat"));
    EXPECT_TRUE(Pane()->IsDecoding());
    SelectFile(QStringLiteral("notes.txt"));
    EXPECT_EQ(Pane()->GetKind(), Larkspur::EPreviewKind::Text);
    EXPECT_FALSE(Pane()->IsDecoding());
}

TEST(PictureDecodingTest, EndsAsToldAndWithinItsSize)
{
    const QByteArray Png = PictureTest::WritePicture(PictureTest::FilledPicture(QSize(40, 30)), "png");
    const std::atomic<bool> bGoOn{false}, bStop{true};
    const QDeadlineTimer Later(60000), Past(0);
    const struct
    {
        const char *szWhat;
        QByteArray Bytes;
        const std::atomic<bool> &bStop;
        QDeadlineTimer Deadline;
        Larkspur::EPictureResult eResult;
    } Cases[] = {
        {"a picture", Png, bGoOn, Later, Larkspur::EPictureResult::Decoded},
        {"no picture", "not a picture", bGoOn, Later, Larkspur::EPictureResult::NotAPicture},
        {"stopped", Png, bStop, Later, Larkspur::EPictureResult::Stopped},
        {"out of time", Png, bGoOn, Past, Larkspur::EPictureResult::TooSlow},
        {"too large", PictureTest::HugeBmpHeader(8193, 8192), bGoOn, Later, Larkspur::EPictureResult::TooLarge},
    };
    for (const auto &Case : Cases)
    {
        const Larkspur::SDecodedPicture Picture =
            Larkspur::DecodePicture(Case.Bytes, QStringLiteral("file"), Case.bStop, Case.Deadline);
        EXPECT_EQ(Picture.eResult, Case.eResult) << Case.szWhat;
        EXPECT_EQ(Picture.Image.size(), Case.eResult == Larkspur::EPictureResult::Decoded ? QSize(40, 30) : QSize(0, 0))
            << Case.szWhat;
    }
    // Found by fuzz_preview: a GIF that tells a size of 1 x 194 and decodes
    // to 65280 x 194. The picture decoded counts.
    const QByteArray Gif = QByteArray::fromHex("47000100800000ffc2000000002c00000000010000000000010001000002003b");
    EXPECT_EQ(Larkspur::DecodePicture(Gif, QStringLiteral("anim.gif"), bGoOn, Later, 4 << 20).eResult,
              Larkspur::EPictureResult::TooLarge);
}

TEST_F(WindowPreviewTest, NotesReadOnLightAndDarkPalettes)
{
    Start();
    Action("btnPreview")->trigger();
    QPalette Dark;
    Dark.setColor(QPalette::Window, QColor(49, 54, 59));
    Dark.setColor(QPalette::WindowText, QColor(239, 240, 241));
    Dark.setColor(QPalette::Disabled, QPalette::WindowText, QColor(99, 104, 109));
    for (const QPalette &Palette : {QApplication::palette(), Dark})
    {
        Window->setPalette(Palette);
        const QColor Background = Pane()->palette().color(QPalette::Window);
        for (const char *szNote : {"lblPreviewNote", "lblPreviewEmpty"})
        {
            const QColor Text = Child<QLabel>(szNote)->palette().color(QPalette::WindowText);
            EXPECT_GE(Larkspur::ContrastRatio({uint8_t(Text.red()), uint8_t(Text.green()), uint8_t(Text.blue())},
                                              {uint8_t(Background.red()), uint8_t(Background.green()),
                                               uint8_t(Background.blue())}),
                      Larkspur::MIN_CONTRAST)
                << szNote << " on " << Background.name().toStdString();
        }
    }
}

TEST_F(WindowPreviewTest, FollowsTheTreeOrTheListWhicheverChangedLast)
{
    Start();
    OpenPreviewArchive();
    Action("btnPreview")->trigger();

    Tree()->setCurrentItem(Node(QStringLiteral("root/logo.png")));
    ExpectKind(Larkspur::EPreviewKind::Image);
    EXPECT_EQ(Label("lblPreviewName"), QStringLiteral("logo.png"));

    // Of several rows, the one clicked last.
    CurrentList()->setFocus();
    QTest::mouseClick(CurrentList()->viewport(), Qt::LeftButton, {}, RowCentre(RowOf(QStringLiteral("notes.txt"))));
    QTest::mouseClick(CurrentList()->viewport(), Qt::LeftButton, Qt::ControlModifier,
                      RowCentre(RowOf(QStringLiteral("data.bin"))));
    EXPECT_TRUE(QTest::qWaitFor([&] { return Label("lblPreviewName") == QLatin1String("data.bin"); }));

    // Another folder in the tree: the list changes and nothing is selected.
    Tree()->setCurrentItem(Node(QStringLiteral("root/maps")));
    ExpectKind(Larkspur::EPreviewKind::None);

    // Closing the archive (opening another) empties the pane.
    Tree()->setCurrentItem(Node(QStringLiteral("root/notes.txt")));
    ExpectKind(Larkspur::EPreviewKind::Text);
    Open(WriteArchive(QStringLiteral("mixed.gcf"), MixedTree()));
    EXPECT_EQ(Pane()->GetKind(), Larkspur::EPreviewKind::None);
}

TEST_F(WindowPreviewTest, ThePaneStaysShownFromOneRunToTheNext)
{
    Start();
    QTest::keyClick(Window.get(), Qt::Key_F3);
    Window->close();
    Window.reset();
    QFile Config(ProgramFolder.filePath(QStringLiteral("larkspur.cfg")));
    ASSERT_TRUE(Config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Config.readAll().endsWith("\r\n\r\n[Preview]\r\n\r\nPreview.Visible = True\r\n"));
    Config.close();

    Start();
    EXPECT_TRUE(Action("btnPreview")->isChecked());
    EXPECT_TRUE(Pane()->isVisible());
}

TEST_F(WindowPreviewTest, PropertiesComputeAFilesChecksumsOnDemand)
{
    Start();
    OpenPreviewArchive();
    // Shows the properties of a row, with Check looking at the open dialog.
    const auto Properties = [&](const QString &sName, const std::function<void(QDialog &)> &Check) {
        SelectFile(sName);
        Desktop.OnDialog = [&](QDialog &Dialog) {
            Check(Dialog);
            return int(QDialog::Accepted);
        };
        Action("btnGCFListViewItemProperties")->trigger();
        Desktop.OnDialog = nullptr;
    };
    const auto Find = [](QDialog &Dialog, const char *szName) {
        QWidget *lpChild = Dialog.findChild<QWidget *>(QLatin1String(szName));
        EXPECT_NE(lpChild, nullptr) << szName;
        return lpChild;
    };

    Properties(QStringLiteral("notes.txt"), [&](QDialog &Dialog) {
        auto *txtCrc32 = static_cast<QLineEdit *>(Find(Dialog, "txtCrc32"));
        auto *txtSha256 = static_cast<QTextEdit *>(Find(Dialog, "txtSha256"));
        ASSERT_TRUE(txtCrc32 && txtSha256);
        EXPECT_EQ(txtCrc32->text(), QString());  // nothing is read before the button is pressed
        // From the keyboard: the focus stays on the button.
        QWidget *btnCompute = Find(Dialog, "btnCompute");
        btnCompute->setFocus();
        QTest::keyClick(btnCompute, Qt::Key_Space);
        EXPECT_EQ(txtCrc32->text(), QStringLiteral("787edfd6"));
        EXPECT_EQ(txtSha256->toPlainText(),
                  QStringLiteral("eff08e5261d0794962807e7de1550fc4b1b1dbb60d598698df9a00d7a24b4e26"));
        EXPECT_EQ(Dialog.focusWidget(), btnCompute);
    });

    // A large file: the progress shows and the window's events go on
    // between the steps until the sums are there.
    Properties(QStringLiteral("big.bin"), [&](QDialog &Dialog) {
        auto *proChecksums = static_cast<QProgressBar *>(Find(Dialog, "proChecksums"));
        auto *txtSha256 = static_cast<QTextEdit *>(Find(Dialog, "txtSha256"));
        static_cast<QPushButton *>(Find(Dialog, "btnCompute"))->click();
        EXPECT_TRUE(proChecksums->isVisibleTo(&Dialog));
        EXPECT_LT(proChecksums->value(), proChecksums->maximum());
        EXPECT_TRUE(QTest::qWaitFor([&] { return !txtSha256->toPlainText().isEmpty(); }, 20000));
        EXPECT_FALSE(proChecksums->isVisibleTo(&Dialog));
        const std::string sData = GcfBuilder::PatternData(12u << 20, 5);
        EXPECT_EQ(txtSha256->toPlainText(),
                  QCryptographicHash::hash(QByteArrayView(sData.data(), qsizetype(sData.size())),
                                           QCryptographicHash::Sha256)
                      .toHex());
    });

    Properties(QStringLiteral("broken.bin"), [&](QDialog &Dialog) {
        static_cast<QPushButton *>(Find(Dialog, "btnCompute"))->click();
        EXPECT_EQ(static_cast<QLabel *>(Find(Dialog, "lblChecksumNote"))->text(),
                  QStringLiteral("No checksums: data block index out of range."));
        EXPECT_TRUE(Find(Dialog, "lblChecksumNote")->isVisibleTo(&Dialog));
        EXPECT_FALSE(Find(Dialog, "txtSha256")->isVisibleTo(&Dialog));
        EXPECT_EQ(static_cast<QLineEdit *>(Find(Dialog, "txtCrc32"))->text(), QString());
    });

    // A folder's dialog is as it always was.
    Properties(QStringLiteral("maps"), [&](QDialog &Dialog) {
        EXPECT_EQ(Dialog.findChild<QWidget *>(QStringLiteral("grpChecksums")), nullptr);
        Larkspur::CProperties Plain(QStringLiteral("maps"), {}, {}, {}, {}, {}, 0);
        EXPECT_EQ(Dialog.size(), Plain.size());
    });
}
