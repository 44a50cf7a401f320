// SPDX-License-Identifier: MIT
// The two Extract commands, their folder picker and the abort dialog.

#include "WindowFixture.h"

#include "extract/CAbort.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTextBlock>
#include <QTextDocument>
#include <QTimer>

using GcfBuilder::SItem;

namespace
{

Larkspur::CAbort *FindAbortDialog()
{
    for (QWidget *lpWindow : QApplication::topLevelWidgets())
        if (auto *lpAbort = qobject_cast<Larkspur::CAbort *>(lpWindow))
            return lpAbort;
    return nullptr;
}

QByteArray ReadFile(const QString &sPath)
{
    QFile File(sPath);
    return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray("<missing>");
}

class WindowExtractTest : public WindowTest
{
protected:
    QString sOut;

    void SetUp() override
    {
        WindowTest::SetUp();
        sOut = WorkFolder.filePath("out");
        QDir().mkpath(sOut);
        Desktop.sFolder = sOut;
        Start();
        // The folder a holds b.txt and, after it, the folder c with d.txt.
        Open(WriteArchive("example.gcf",
                          SItem::Folder("r", {SItem::Folder("a", {SItem::File("b.txt", "twelve bytes"),
                                                                  SItem::Folder("c", {SItem::File("d.txt", "d")})}),
                                              SItem::File("e.txt", "eee"), SItem::Folder("empty")})));
    }

    // Runs Work at the extraction's first look at pending events, while the
    // abort dialog is up.
    void DuringExtraction(std::function<void()> Work)
    {
        Desktop.OnBrowseForFolder = [Work] { QTimer::singleShot(0, Work); };
    }

    QStringList LinesSince(qsizetype iFirst) const { return ConsoleLines().mid(iFirst); }
};

TEST_F(WindowExtractTest, ExtractingAFolderWritesTheExampleLines)
{
    const qsizetype iBefore = ConsoleLines().size();
    Tree()->setCurrentItem(Node("root/a"));
    Action("btnExtractGCFTreeItem")->trigger();
    EXPECT_EQ(LinesSince(iBefore), (QStringList{"Extracting to " + sOut + ".", "Created " + sOut + "/a/.",
                                                "Wrote " + sOut + "/a/b.txt (12 B).", "Created " + sOut + "/a/c/.",
                                                "Wrote " + sOut + "/a/c/d.txt (1 B).", "Done."}));
    EXPECT_EQ(ReadFile(sOut + "/a/b.txt"), "twelve bytes");
    EXPECT_EQ(ReadFile(sOut + "/a/c/d.txt"), "d");
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_TRUE(Window->isEnabled());
    EXPECT_EQ(Desktop.FolderPickerStarts, QStringList{QString()});
    EXPECT_EQ(FindAbortDialog(), nullptr);
}

TEST_F(WindowExtractTest, CancelledPickerWritesNothingAndClearsTheSelection)
{
    Desktop.sFolder.reset();
    const QStringList Before = ConsoleLines();
    Tree()->setCurrentItem(Node("root/a"));
    Action("btnExtractGCFTreeItem")->trigger();
    SelectRows({0, 1});
    Action("btnExtractGCFListViewItem")->trigger();
    EXPECT_EQ(ConsoleLines(), Before);
    EXPECT_TRUE(Tree()->selectedItems().isEmpty());
    EXPECT_FALSE(Details()->selectionModel()->hasSelection());
    EXPECT_EQ(Desktop.FolderPickerStarts.size(), 2);
}

TEST_F(WindowExtractTest, ListExtractionTakesRowsInListOrderUnderOneDialog)
{
    int iMaximum = -1;
    bool bWindowEnabled = true;
    DuringExtraction([&] {
        Larkspur::CAbort *lpAbort = FindAbortDialog();
        ASSERT_NE(lpAbort, nullptr);
        iMaximum = lpAbort->findChild<QProgressBar *>("proMain")->maximum();
        bWindowEnabled = Window->isEnabled();
    });
    const qsizetype iBefore = ConsoleLines().size();
    SelectRows({2, 1, 0});  // empty, e.txt, a: picked in any order, extracted in list order
    Action("btnExtractGCFListViewItem")->trigger();
    EXPECT_EQ(iMaximum, 3);  // b.txt, d.txt, e.txt; folders do not count
    EXPECT_FALSE(bWindowEnabled);
    const QStringList Lines = LinesSince(iBefore);
    ASSERT_EQ(Lines.size(), 7);
    EXPECT_EQ(Lines[1], "Created " + sOut + "/a/.");
    EXPECT_EQ(Lines[5], "Wrote " + sOut + "/e.txt (3 B).");
    EXPECT_EQ(Lines[6], "Done.");
    EXPECT_FALSE(QFileInfo::exists(sOut + "/empty"));
    EXPECT_FALSE(Details()->selectionModel()->hasSelection());
    EXPECT_TRUE(Window->isEnabled());
}

TEST_F(WindowExtractTest, AbortStopsBetweenFilesAndStillEndsWithDone)
{
    for (int iRun = 0; iRun < 2; ++iRun)
    {
        SCOPED_TRACE(iRun);
        int iStartValue = -1;
        // Click Abort when the bar first moves: the file it counts is still
        // written, nothing after it.
        DuringExtraction([&] {
            Larkspur::CAbort *lpAbort = FindAbortDialog();
            ASSERT_NE(lpAbort, nullptr);
            auto *lpBar = lpAbort->findChild<QProgressBar *>("proMain");
            iStartValue = lpBar->value();
            QObject::connect(lpBar, &QProgressBar::valueChanged, lpAbort, [lpAbort](int iValue) {
                if (iValue == 1)
                    lpAbort->findChild<QPushButton *>("btnAbort")->click();
            });
        });
        const QString sTarget = sOut + QString("/run%1").arg(iRun);
        QDir().mkpath(sTarget);
        Desktop.sFolder = sTarget;
        const qsizetype iBefore = ConsoleLines().size();
        Tree()->setCurrentItem(Tree()->topLevelItem(0));
        Action("btnExtractGCFTreeItem")->trigger();

        EXPECT_EQ(iStartValue, 0);
        EXPECT_EQ(LinesSince(iBefore),
                  (QStringList{"Extracting to " + sTarget + ".", "Created " + sTarget + "/root/.",
                               "Created " + sTarget + "/root/a/.",
                               "Wrote " + sTarget + "/root/a/b.txt (12 B).", "Done."}));
        EXPECT_EQ(ReadFile(sTarget + "/root/a/b.txt"), "twelve bytes");
        EXPECT_FALSE(QFileInfo::exists(sTarget + "/root/a/c"));
        EXPECT_TRUE(Window->isEnabled());
        EXPECT_EQ(FindAbortDialog(), nullptr);
    }
}

// The console holds an extraction's lines and shows them whenever events
// run: they come in order, each in its colour, the red ones among the gray.
TEST_F(WindowExtractTest, HeldLinesShowInOrderAndInTheirColours)
{
    QStringList AtFirstEvents;
    DuringExtraction([&] { AtFirstEvents = ConsoleLines(); });
    // A folder where e.txt goes: that file cannot be written.
    ASSERT_TRUE(QDir().mkpath(sOut + "/root/e.txt"));
    const qsizetype iBefore = ConsoleLines().size();
    Tree()->setCurrentItem(Tree()->topLevelItem(0));
    Action("btnExtractGCFTreeItem")->trigger();

    ASSERT_FALSE(AtFirstEvents.isEmpty());
    EXPECT_EQ(AtFirstEvents.last(), "Extracting to " + sOut + ".");
    EXPECT_EQ(LinesSince(iBefore),
              (QStringList{"Extracting to " + sOut + ".", "Created " + sOut + "/root/a/.",
                           "Wrote " + sOut + "/root/a/b.txt (12 B).", "Created " + sOut + "/root/a/c/.",
                           "Wrote " + sOut + "/root/a/c/d.txt (1 B).",
                           "Could not open " + sOut + "/root/e.txt for writing.", "Done."}));
    const QTextDocument *lpDocument = Child<QPlainTextEdit>("txtConsole")->document();
    QList<QColor> Colours;
    for (int iLine = int(iBefore); iLine < int(iBefore) + 7; ++iLine)
        Colours.append(lpDocument->findBlockByNumber(iLine).begin().fragment().charFormat().foreground().color());
    const QColor Green(0, 128, 0), Gray(128, 128, 128), Red(255, 0, 0);
    EXPECT_EQ(Colours, (QList<QColor>{Green, Gray, Gray, Gray, Gray, Red, Green}));
}

TEST_F(WindowExtractTest, CloseDuringExtractionWaitsForTheCommandsEnd)
{
    DuringExtraction([&] { Window->close(); });
    Tree()->setCurrentItem(Node("root/a"));
    Action("btnExtractGCFTreeItem")->trigger();
    EXPECT_EQ(ConsoleLines().last(), "Done.");
    EXPECT_TRUE(QTest::qWaitFor([&] { return !Window->isVisible(); }));
    EXPECT_TRUE(QFileInfo::exists(ProgramFolder.filePath("larkspur.log")));
}

TEST(AbortDialogTest, LooksAndActsAsSpecified)
{
    Larkspur::CAbort Abort(5);
    EXPECT_EQ(Abort.windowTitle(), "Abort");
    EXPECT_EQ(Abort.objectName(), "CAbort");
    EXPECT_EQ(Abort.parent(), nullptr);
    const Qt::WindowFlags eFlags = Abort.windowFlags();
    EXPECT_TRUE(eFlags & Qt::WindowStaysOnTopHint);
    EXPECT_FALSE(eFlags & (Qt::WindowCloseButtonHint | Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint));

    auto *lpBar = Abort.findChild<QProgressBar *>("proMain");
    auto *lpLabel = Abort.findChild<QLabel *>("lblAbort");
    auto *lpButton = Abort.findChild<QPushButton *>("btnAbort");
    ASSERT_TRUE(lpBar && lpLabel && lpButton);
    EXPECT_EQ(lpLabel->text(), "Note: On Abort all currently extracted files will remain unchanged.");
    EXPECT_EQ(lpButton->text(), "&Abort");
    EXPECT_TRUE(lpButton->isDefault());
    EXPECT_EQ(lpBar->maximum(), 5);
    EXPECT_EQ(lpBar->value(), 0);
    Abort.Update(1);
    EXPECT_EQ(lpBar->value(), 1);

    QSignalSpy Aborted(&Abort, &Larkspur::CAbort::AbortExtraction);
    Abort.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&Abort));
    // Neither Escape nor a close from the title bar closes it.
    QTest::keyClick(&Abort, Qt::Key_Escape);
    Abort.close();
    EXPECT_TRUE(Abort.isVisible());
    EXPECT_EQ(Aborted.count(), 0);
    // Enter presses the default button: abort, then close.
    QTest::keyClick(lpButton, Qt::Key_Return);
    EXPECT_EQ(Aborted.count(), 1);
    EXPECT_FALSE(Abort.isVisible());
}

TEST(AbortDialogTest, LayoutIsAsDrawnForASmallFontAndShowsTheNoteWholeForAnyFont)
{
    const QFont AppFont = QApplication::font();
    QFont Small = AppFont;
    Small.setPixelSize(9);
    const QFont Fonts[] = {Small, AppFont, QFont(AppFont.family(), 16)};
    for (const QFont &Font : Fonts)
    {
        SCOPED_TRACE(Font.toString().toStdString());
        QApplication::setFont(Font);
        Larkspur::CAbort Abort(1);
        auto *lpBar = Abort.findChild<QProgressBar *>("proMain");
        auto *lpLabel = Abort.findChild<QLabel *>("lblAbort");
        auto *lpButton = Abort.findChild<QPushButton *>("btnAbort");
        if (&Font == &Fonts[0])
        {
            EXPECT_EQ(Abort.size(), QSize(292, 72));
            EXPECT_EQ(lpBar->geometry(), QRect(8, 8, 272, 24));
            EXPECT_EQ(lpLabel->geometry(), QRect(8, 40, 192, 32));
            EXPECT_EQ(lpButton->geometry(), QRect(208, 40, 75, 23));
        }
        const QFontMetrics Metrics(lpLabel->font());
        EXPECT_LE(Metrics.boundingRect(QRect(0, 0, lpLabel->width(), 1000), Qt::TextWordWrap, lpLabel->text()).height(),
                  lpLabel->height());
        EXPECT_LE(Metrics.horizontalAdvance("Abort"), lpButton->width());
        EXPECT_TRUE(Abort.rect().contains(lpButton->geometry()));
        EXPECT_FALSE(lpLabel->geometry().intersects(lpButton->geometry()));
    }
    QApplication::setFont(AppFont);
}

TEST(AbortDialogTest, NothingToCountShowsAStillEmptyBar)
{
    Larkspur::CAbort Abort(0);
    auto *lpBar = Abort.findChild<QProgressBar *>("proMain");
    // Not Qt's busy animation (a 0..0 range): an empty bar.
    EXPECT_NE(lpBar->minimum(), lpBar->maximum());
    EXPECT_EQ(lpBar->value(), lpBar->minimum());
}

}  // namespace
