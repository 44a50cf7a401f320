// SPDX-License-Identifier: MIT
// The settings file across two runs of the window: what one run writes at
// closing, the next reads at load (search word, view, placement, state and
// the recent archives, in order).

#include "WindowFixture.h"

#include "dialogs/CFind.h"

#include <QFile>
#include <QLineEdit>

namespace
{

class WindowSettingsTest : public WindowTest
{
protected:
    QString ConfigPath() const { return ProgramFolder.filePath("larkspur.cfg"); }

    QStringList RecentMenuTexts() const
    {
        QStringList Texts;
        for (QAction *lpItem : Child<QMenu>("btnRecentFiles")->actions())
            Texts.append(lpItem->text());
        return Texts;
    }

    // Runs Find with the dialog answering sWord (accepted) and returns the
    // word the dialog was opened with.
    QString FindWith(const QString &sWord, bool bAccept)
    {
        QString sOffered;
        Desktop.OnDialog = [&](QDialog &Dialog) {
            auto *lpText = Dialog.findChild<QLineEdit *>("txtFind");
            sOffered = lpText->text();
            lpText->setText(sWord);
            return int(bAccept ? QDialog::Accepted : QDialog::Rejected);
        };
        Action("btnFind")->trigger();
        Desktop.OnDialog = nullptr;
        return sOffered;
    }

    void CloseWindow()
    {
        Window->close();
        Window.reset();
    }
};

TEST_F(WindowSettingsTest, ASecondRunGetsBackWhatTheFirstLeft)
{
    const QString sFirst = WriteArchive("first.gcf", GcfBuilder::SampleTree());
    const QString sSecond = WriteArchive("second.gcf", MixedTree());

    Start();
    Open(sFirst);
    Open(sSecond);
    FindWith("  read me ", false);  // cancelled, but remembered with its blanks
    Action("btnList")->trigger();
    Window->move(40, 50);
    Window->resize(700, 500);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Window->size() == QSize(700, 500); }, 5000));
    const QPoint SavedPosition = Window->pos();
    CloseWindow();

    QFile Config(ConfigPath());
    ASSERT_TRUE(Config.open(QIODevice::ReadOnly));
    const QByteArray sText = Config.readAll();
    EXPECT_TRUE(sText.startsWith("[Larkspur]\r\n\r\nLarkspur.ExtractDirectory = \r\n"
                                 "Larkspur.SearchWord =   read me \r\nLarkspur.Listbox.View = List\r\n"));
    EXPECT_TRUE(sText.contains("Forms.Main.Size.Width = 700\r\nForms.Main.Size.Height = 500\r\n"));
    EXPECT_TRUE(sText.endsWith(("[Recent Files]\r\n\r\nRecentFiles.GCF = " + sFirst + "\r\nRecentFiles.GCF = " +
                                sSecond + "\r\n\r\n[Preview]\r\n\r\nPreview.Visible = False\r\n")
                                   .toUtf8()));

    Start();
    EXPECT_TRUE(Action("btnList")->isChecked());
    EXPECT_FALSE(Action("btnDetails")->isChecked());
    EXPECT_EQ(RecentMenuTexts(), (QStringList{sSecond, sFirst}));
    EXPECT_TRUE(Child<QMenu>("btnRecentFiles")->menuAction()->isVisible());
    EXPECT_EQ(Window->size(), QSize(700, 500));
    EXPECT_EQ(Window->pos(), SavedPosition);
    Open(sSecond);
    // Values are trimmed when read, so the blanks do not come back.
    EXPECT_EQ(FindWith("x", false), "read me");
}

TEST_F(WindowSettingsTest, TwoWindowsOfOneSettingsFileKeepEachOthersRecentArchives)
{
    const QString sFirst = WriteArchive("first.gcf", GcfBuilder::SampleTree());
    const QString sSecond = WriteArchive("second.gcf", MixedTree());
    Start(sFirst);
    auto Other = std::make_unique<Larkspur::CLarkspur>(QStringList{sSecond}, Desktop, Files());
    Other->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(Other.get()));
    Other->close();
    Other.reset();
    CloseWindow();  // the last to close

    Start();
    EXPECT_EQ(RecentMenuTexts(), (QStringList{sFirst, sSecond}));
}

TEST_F(WindowSettingsTest, AnAmpersandInARecentPathShowsAsItselfAndOpensThatPath)
{
    const QString sPath = WriteArchive("Q&A && more.gcf", MixedTree());
    Start();
    Open(sPath);
    Open(WriteArchive("other.gcf", MixedTree()));
    QAction *lpItem = Child<QMenu>("btnRecentFiles")->actions().at(1);
    // The shown text drops an access key's "&" and turns "&&" into "&".
    EXPECT_EQ(lpItem->iconText(), sPath);
    EXPECT_TRUE(QKeySequence::mnemonic(lpItem->text()).isEmpty());
    lpItem->trigger();
    EXPECT_EQ(Window->windowTitle(), "Larkspur - Q&A && more.gcf");
    EXPECT_EQ(Child<QMenu>("btnRecentFiles")->actions().at(0)->iconText(), sPath);
}

TEST_F(WindowSettingsTest, MaximizedIsRestoredOverTheNormalBounds)
{
    Start();
    Window->resize(640, 480);
    EXPECT_TRUE(QTest::qWaitFor([&] { return Window->size() == QSize(640, 480); }, 5000));
    Window->showMaximized();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Window->isMaximized(); }, 5000));
    CloseWindow();

    QFile Config(ConfigPath());
    ASSERT_TRUE(Config.open(QIODevice::ReadOnly));
    const QByteArray sText = Config.readAll();
    EXPECT_TRUE(sText.contains("Forms.Main.Size.Width = 640\r\nForms.Main.Size.Height = 480\r\n"
                               "Forms.Main.WindowState = Maximized\r\n"));

    Start();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Window->isMaximized(); }, 5000));
    Window->showNormal();
    EXPECT_TRUE(QTest::qWaitFor([&] { return Window->size() == QSize(640, 480); }, 5000));
}

TEST_F(WindowSettingsTest, AMissingFolderIsNotKeptAndARecentEntryStaysWhenItsFileIsGone)
{
    QFile Config(ConfigPath());
    ASSERT_TRUE(Config.open(QIODevice::WriteOnly));
    const QString sGone = WorkFolder.filePath("gone.gcf");
    Config.write(("Larkspur.ExtractDirectory = /no/such/folder\nRecentFiles.GCF = " + sGone + "\n").toUtf8());
    Config.close();

    Start();
    ASSERT_EQ(RecentMenuTexts(), QStringList{sGone});
    Child<QMenu>("btnRecentFiles")->actions().first()->trigger();
    EXPECT_EQ(Desktop.ErrorBoxes, QStringList{"Could not open:\n" + sGone + "\n\nError:\nFile does not exist."});
    EXPECT_EQ(RecentMenuTexts(), QStringList{sGone});
    CloseWindow();

    ASSERT_TRUE(Config.open(QIODevice::ReadOnly));
    EXPECT_TRUE(Config.readAll().contains("Larkspur.ExtractDirectory = \r\n"));
}

}  // namespace
