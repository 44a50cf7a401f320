// SPDX-License-Identifier: MIT
// The Properties dialog and the values gathered for it from an archive.
#include "archive/CGCF.h"
#include "dialogs/CProperties.h"
#include "dialogs/ItemProperties.h"
#include "tests/builder/GcfBuilder.h"
#include "tests/support/TestSupport.h"
#include "window/Utils.h"

#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <gtest/gtest.h>

#include <ostream>
#include <string>

using namespace Larkspur;

namespace
{

QString Shown(const CProperties &Dialog, const char *szName)
{
    if (const auto *lpLabel = Dialog.findChild<QLabel *>(QLatin1String(szName)))
        return lpLabel->text();
    const auto *lpText = Dialog.findChild<QLineEdit *>(QLatin1String(szName));
    return lpText ? lpText->text() : QStringLiteral("<no control>");
}

TEST(DialogProperties, ShowsTheValuesUnchangedAndSpellsOutTheFlags)
{
    const struct { uint32_t uiFlags; const char *szLocalCopy, *szHasPriority, *szFlags; } Cases[] = {
        {0x00000000, "False", "False", "00000000"}, {0x00000002, "True", "False", "00000002"},
        {0x00000008, "True", "False", "00000008"},  {0x00000001, "False", "True", "00000001"},
        {0x0000000A, "True", "False", "0000000a"},  {0x00004004, "False", "False", "00004004"},
        {0xFFFFFFFF, "True", "True", "ffffffff"}};
    for (const auto &Case : Cases)
    {
        // Names come from the archive: markup in them is shown, never obeyed.
        CProperties Dialog(QStringLiteral("<b>x.bsp</b>"), QStringLiteral("<b>Type</b>"), QStringLiteral("\\root\\x.bsp"),
                           QStringLiteral("Size"), QStringLiteral("On disk"), QStringLiteral("N/A"), Case.uiFlags);
        const std::pair<const char *, QString> Expected[] = {
            {"txtName", "<b>x.bsp</b>"}, {"lblType", "<b>Type</b>"}, {"txtLocation", "\\root\\x.bsp"}, {"lblSize", "Size"},
            {"lblSizeOnDisk", "On disk"}, {"lblItems", "N/A"}, {"lblLocalCopy", Case.szLocalCopy},
            {"lblLocalCopyHasPriority", Case.szHasPriority}, {"lblFlags", Case.szFlags}};
        for (const auto &[szName, sText] : Expected)
            EXPECT_EQ(Shown(Dialog, szName), sText) << szName << " for flags " << Case.uiFlags;
        const auto *lblType = Dialog.findChild<QLabel *>(QStringLiteral("lblType"));
        EXPECT_GE(lblType->sizeHint().width(), lblType->fontMetrics().horizontalAdvance(lblType->text()));
    }
}

TEST(DialogProperties, NameAndLocationReadLikeLabelsButCanBeCopied)
{
    const QString sLongPath = QStringLiteral("\\root") + QStringLiteral("\\a folder with a long name").repeated(6);
    CProperties Dialog(QStringLiteral("n"), {}, sLongPath, {}, {}, {}, 0);
    auto *txtName = Dialog.findChild<QLineEdit *>(QStringLiteral("txtName"));
    auto *txtLocation = Dialog.findChild<QLineEdit *>(QStringLiteral("txtLocation"));
    ASSERT_TRUE(txtName && txtLocation);
    EXPECT_TRUE(txtName->isReadOnly() && txtLocation->isReadOnly());
    EXPECT_FALSE(txtName->hasFrame() || txtLocation->hasFrame());
    // No box is seen: a pixel past the name matches the group box just above it.
    const QImage Shot = Dialog.grab().toImage();
    const QPoint PastText = txtName->mapTo(&Dialog, QPoint(txtName->width() - 2, txtName->height() / 2));
    EXPECT_EQ(Shot.pixel(PastText), Shot.pixel(PastText - QPoint(0, txtName->height() / 2 + 2)));
    EXPECT_EQ(txtLocation->cursorPosition(), 0);  // a long path shows from its start
    txtLocation->selectAll();
    EXPECT_EQ(txtLocation->selectedText(), sLongPath);
}

TEST(DialogProperties, GathersTheValuesOfFoldersFilesAndTheRoot)
{
    using GcfBuilder::SItem;
    SItem Map = SItem::File("x.bsp", std::string(1536, 'b'));
    Map.uiFlags = 0x0000400A;
    const GcfBuilder::SArchive Archive = GcfBuilder::Build(SItem::Folder(
        "root", {SItem::Folder("maps", {Map}), SItem::Folder("K\xC3\xA4rten", {SItem::File("caf\xE9.wav", "w")}),
                 SItem::File("readme.txt", std::string(1023, 'r'))}));
    CGCF GCFFile;
    ASSERT_TRUE(GCFFile.OpenMemory(Archive.Bytes.data(), Archive.Bytes.size(), "test.gcf"));

    // Directory indexes in pre-order: 0 root, 1 maps, 2 x.bsp, 3 Kärten, 4 café.wav, 5 readme.txt.
    const SItemProperties Root = GatherProperties(GCFFile, 0);
    EXPECT_EQ(Root.sName, QStringLiteral("root"));
    EXPECT_EQ(Root.sType, QStringLiteral("Folder"));
    EXPECT_EQ(Root.sLocation, QStringLiteral("\\root"));
    EXPECT_EQ(Root.sItems, QStringLiteral("Folders: 2, Files: 3"));
    EXPECT_EQ(Root.uiFlags, 0u);
    EXPECT_EQ(GatherProperties(GCFFile, 1).sItems, QStringLiteral("Folders: 0, Files: 1"));

    const SItemProperties File = GatherProperties(GCFFile, 2);
    EXPECT_EQ(File.sName, QStringLiteral("x.bsp"));
    EXPECT_EQ(File.sType, Utils::FileTypeToString(QStringLiteral("x.bsp")));
    EXPECT_EQ(File.sLocation, QStringLiteral("\\root\\maps\\x.bsp"));
    EXPECT_EQ(File.sSize, QStringLiteral("1.50 KB (1,536 B)"));
    EXPECT_EQ(File.sSizeOnDisk, QStringLiteral("8.00 KB (8,192 B)"));
    EXPECT_EQ(File.sItems, QStringLiteral("N/A"));
    EXPECT_EQ(Shown(CProperties(File), "lblFlags"), QStringLiteral("0000400a"));
    EXPECT_EQ(GatherProperties(GCFFile, 5).sSize, QStringLiteral("1,023 B"));
    // A name that is not UTF-8 reads as Latin-1 without spoiling the folder above it.
    EXPECT_EQ(GatherProperties(GCFFile, 4).sLocation, QStringLiteral("\\root\\K\u00E4rten\\caf\u00E9.wav"));
}

}  // namespace
