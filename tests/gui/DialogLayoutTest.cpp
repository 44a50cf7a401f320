// SPDX-License-Identifier: MIT
// The dialogs' fixed layouts: as drawn with a small font, and stretched with a
// large one so that no text is cut off.
#include "dialogs/CAbout.h"
#include "dialogs/CFind.h"
#include "dialogs/CProperties.h"

#include <QApplication>
#include <QFontMetrics>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <gtest/gtest.h>

using namespace Larkspur;

namespace
{

class DialogLayout : public ::testing::Test
{
protected:
    static void UseFontPixels(int iPixels)
    {
        QFont Font = QApplication::font();
        Font.setPixelSize(iPixels);
        QApplication::setFont(Font);
    }
    void TearDown() override { QApplication::setFont(SavedFont); }

    const QFont SavedFont = QApplication::font();
};

TEST_F(DialogLayout, ASmallFontGivesTheLayoutAsDrawn)
{
    UseFontPixels(10);
    CFind Find{QString()};
    CProperties Properties(QStringLiteral("x"), QStringLiteral("Folder"), {}, {}, {}, {}, 0);
    CAbout About(nullptr);
    const std::pair<const QWidget *, QRect> Places[] = {
        {&Find, QRect(0, 0, 346, 80)}, {&Properties, QRect(0, 0, 282, 328)}, {&About, QRect(0, 0, 288, 198)},
        {Find.findChild<QWidget *>("label1"), QRect(8, 16, 56, 16)},
        {Find.findChild<QWidget *>("txtFind"), QRect(64, 16, 192, 20)},
        {Find.findChild<QWidget *>("btnCancel"), QRect(264, 48, 75, 23)},
        {Properties.findChild<QWidget *>("grpProperties"), QRect(8, 8, 264, 280)},
        {Properties.findChild<QWidget *>("label1"), QRect(8, 184, 248, 1)},
        {Properties.findChild<QWidget *>("lblLocalCopyHasPriorityLabel"), QRect(8, 224, 96, 23)},
        {Properties.findChild<QWidget *>("lblFlags"), QRect(112, 248, 144, 23)},
        {Properties.findChild<QWidget *>("btnOK"), QRect(200, 296, 75, 23)},
        {About.findChild<QWidget *>("picIcon"), QRect(8, 16, 32, 32)},
        {About.findChild<QWidget *>("lnkWebSite"), QRect(192, 128, 72, 16)},
        {About.findChild<QWidget *>("btnOK"), QRect(104, 168, 80, 23)}};
    for (const auto &[lpWidget, Geometry] : Places)
    {
        ASSERT_NE(lpWidget, nullptr);
        EXPECT_EQ(lpWidget->geometry().translated(-lpWidget->pos() * lpWidget->isWindow()), Geometry)
            << lpWidget->objectName().toStdString();
    }
    EXPECT_EQ(Find.minimumSize(), Find.maximumSize());
    EXPECT_FALSE(Find.windowFlags() & (Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));
}

TEST_F(DialogLayout, NoTextIsCutOffWhateverTheFont)
{
    for (const int iPixels : {10, 13, 16, 22})
    {
        UseFontPixels(iPixels);
        const QFontMetrics Metrics(QApplication::font());
        CFind Find(QStringLiteral("word"));
        CProperties Properties(QStringLiteral("a_long_name.bsp"), QStringLiteral("Half-Life Level"), QStringLiteral("\\root"),
                               QStringLiteral("3.21 GB (3,447,392,256 B)"), QStringLiteral("3.21 GB (3,447,397,376 B)"),
                               QStringLiteral("Folders: 1,234, Files: 56,789"), 0xA);
        CAbout About(nullptr);
        for (const QDialog *lpDialog : {static_cast<QDialog *>(&Find), static_cast<QDialog *>(&Properties),
                                        static_cast<QDialog *>(&About)})
        {
            for (const QWidget *lpChild : lpDialog->findChildren<QWidget *>())
            {
                const std::string sWhere = (lpChild->objectName() + " at " + QString::number(iPixels)).toStdString();
                EXPECT_TRUE(lpDialog->rect().contains(QRect(lpChild->mapTo(lpDialog, QPoint()), lpChild->size())))
                    << sWhere;
                QString sText;
                if (const auto *lpLabel = qobject_cast<const QLabel *>(lpChild); lpLabel && lpLabel->textFormat() != Qt::RichText)
                    sText = lpLabel->text();
                else if (const auto *lpButton = qobject_cast<const QPushButton *>(lpChild))
                    sText = lpButton->text().remove(QLatin1Char('&'));
                if (!sText.isEmpty() || qobject_cast<const QLineEdit *>(lpChild))
                {
                    EXPECT_LE(Metrics.horizontalAdvance(sText.remove(QLatin1Char('&'))), lpChild->width()) << sWhere;
                    EXPECT_LE(Metrics.height(), lpChild->height()) << sWhere;
                }
            }
        }
    }
}

}  // namespace
