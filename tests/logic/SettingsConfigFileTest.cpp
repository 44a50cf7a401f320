// SPDX-License-Identifier: MIT
// The settings file: line splitting, what a read applies, the bytes a save writes.
#include "settings/CConfigFile.h"
#include "settings/CRecentFiles.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>

#include <sys/wait.h>
#include <unistd.h>

using namespace Larkspur;

namespace
{

TEST(SettingsProcessLine, SplitsKeyAndValue)
{
    const struct { const char *szLine; bool bResult; const char *szArg, *szVal; } Cases[] = {
        {"LARKSPUR.SEARCHWORD = Foo", true, "larkspur.searchword", "Foo"},
        {"Larkspur.SearchWord =", true, "larkspur.searchword", ""},
        {"Larkspur.SearchWord = a=b", true, "larkspur.searchword", "a=b"},
        {"Larkspur.SearchWord = abc // note", true, "larkspur.searchword", "abc"},
        {"X = http://host/x", true, "x", "http:"},
        {" \t Key\t=\tValue With Case \t", true, "key", "Value With Case"},
        {"= x", true, "", "x"},
        {"// only a comment", false, "", ""},
        {"   // indented = 5", false, "", ""},
        {"[Larkspur]", false, "", ""},
        {"", false, "", ""},
    };
    for (const auto &Case : Cases)
    {
        QString sArg = QStringLiteral("stale"), sVal = QStringLiteral("stale");
        EXPECT_EQ(CConfigFile::ProcessLine(QString::fromUtf8(Case.szLine), sArg, sVal), Case.bResult) << Case.szLine;
        EXPECT_EQ(sArg, QString::fromUtf8(Case.szArg)) << Case.szLine;
        EXPECT_EQ(sVal, QString::fromUtf8(Case.szVal)) << Case.szLine;
    }
}

TEST(SettingsParseInt32, AcceptsOnlySignedDecimalInRange)
{
    const std::pair<const char *, std::optional<int32_t>> Cases[] = {
        {"0", 0}, {"-1200", -1200}, {"+5", 5}, {"2147483647", INT32_MAX}, {"-2147483648", INT32_MIN},
        {"000000000000000000042", 42}, {"2147483648", {}}, {"-2147483649", {}}, {"99999999999999999999", {}},
        {"", {}}, {"-", {}}, {"1.5", {}}, {"wide", {}}, {" 1", {}}, {"1 ", {}}, {"--1", {}}, {"+-1", {}}, {"+", {}},
        {"\u0663", {}}};
    for (const auto &[szText, Expected] : Cases)
    {
        int32_t iValue = 77;
        EXPECT_EQ(CConfigFile::ParseInt32(QString::fromUtf8(szText), iValue), Expected.has_value()) << szText;
        EXPECT_EQ(iValue, Expected.value_or(77)) << szText;
    }
}

class SettingsFile : public ::testing::Test
{
protected:
    QString Path(const char *szName = "larkspur.cfg") const { return Folder.filePath(QString::fromUtf8(szName)); }
    QByteArray ReadBytes() const
    {
        QFile File(Path());
        return File.open(QIODevice::ReadOnly) ? File.readAll() : QByteArray();
    }
    SConfigValues LoadBytes(const QByteArray &Bytes) const
    {
        QFile File(Path());
        EXPECT_TRUE(File.open(QIODevice::WriteOnly) && File.write(Bytes) == Bytes.size());
        File.close();
        SConfigValues Values;
        EXPECT_TRUE(CConfigFile::Load(Path(), Values));
        return Values;
    }
    static QStringList ThroughRecentList(const QStringList &Lines)
    {
        CRecentFiles Recent;
        for (const QString &sFile : Lines)
            Recent.Add(sFile);
        return Recent.Files();
    }

    QTemporaryDir Folder;
};

TEST_F(SettingsFile, WritesTheExactLinesAndReadsThemBack)
{
    // Two archives opened, first.gcf before second.gcf, the window in its normal state.
    SConfigValues Values;
    Values.sSearchWord = QStringLiteral("readme");
    Values.eView = EListView::Details;
    Values.iX = 22;
    Values.iY = 29;
    Values.iWidth = 600;
    Values.iHeight = 449;
    Values.RecentFiles = {QStringLiteral("C:\\Archives\\second.gcf"), QStringLiteral("C:\\Archives\\first.gcf")};
    Values.bPreview = true;
    ASSERT_TRUE(CConfigFile::Write(Path(), Values));
    EXPECT_EQ(ReadBytes(), QByteArray("[Larkspur]\r\n\r\nLarkspur.ExtractDirectory = \r\nLarkspur.SearchWord = readme\r\n"
                                      "Larkspur.Listbox.View = Details\r\n\r\n[Forms]\r\n\r\nForms.Main.Location.X = 22\r\n"
                                      "Forms.Main.Location.Y = 29\r\nForms.Main.Size.Width = 600\r\n"
                                      "Forms.Main.Size.Height = 449\r\nForms.Main.WindowState = Normal\r\n\r\n"
                                      "[Recent Files]\r\n\r\nRecentFiles.GCF = C:\\Archives\\first.gcf\r\n"
                                      "RecentFiles.GCF = C:\\Archives\\second.gcf\r\n"
                                      "\r\n[Preview]\r\n\r\nPreview.Visible = True\r\n"));

    SConfigValues Read;
    ASSERT_TRUE(CConfigFile::Load(Path(), Read));
    EXPECT_FALSE(Read.sExtractDirectory.has_value());  // "" names no folder
    EXPECT_EQ(Read.sSearchWord, Values.sSearchWord);
    EXPECT_EQ(Read.eView, EListView::Details);
    EXPECT_TRUE(Read.iX == 22 && Read.iY == 29 && Read.iWidth == 600 && Read.iHeight == 449);
    EXPECT_EQ(Read.eWindowState, EWindowState::Normal);
    EXPECT_EQ(ThroughRecentList(Read.RecentFiles), Values.RecentFiles);
    EXPECT_EQ(Read.bPreview, true);

    // Nothing set: what the window holds after construction, and no view line.
    ASSERT_TRUE(CConfigFile::Write(Path(), SConfigValues()));
    EXPECT_EQ(ReadBytes(), QByteArray("[Larkspur]\r\n\r\nLarkspur.ExtractDirectory = \r\nLarkspur.SearchWord = \r\n\r\n"
                                      "[Forms]\r\n\r\nForms.Main.Location.X = 0\r\nForms.Main.Location.Y = 0\r\n"
                                      "Forms.Main.Size.Width = 0\r\nForms.Main.Size.Height = 0\r\n"
                                      "Forms.Main.WindowState = Normal\r\n\r\n[Recent Files]\r\n\r\n"
                                      "\r\n[Preview]\r\n\r\nPreview.Visible = False\r\n"));
}

TEST_F(SettingsFile, NonAsciiFoldersPathsAndWordsSurviveASave)
{
    const QString sFolder = Path("Spiele ä 日本");
    ASSERT_TRUE(QDir().mkpath(sFolder));
    SConfigValues Values;
    Values.sExtractDirectory = sFolder;
    Values.sSearchWord = QStringLiteral("Ørkén");
    Values.RecentFiles = {sFolder + QStringLiteral("/spiel.gcf")};
    ASSERT_TRUE(CConfigFile::Write(Path(), Values));
    SConfigValues Read;
    ASSERT_TRUE(CConfigFile::Load(Path(), Read));
    EXPECT_EQ(Read.sExtractDirectory, sFolder);
    EXPECT_EQ(Read.sSearchWord, Values.sSearchWord);
    EXPECT_EQ(Read.RecentFiles, Values.RecentFiles);
}

TEST_F(SettingsFile, ReadsHandEditedFilesLineByLine)
{
    // CR, LF and CR LF ends, none on the last line; keys in wrong sections or
    // none, in any case; bad values among good ones; a line that is not UTF-8.
    const SConfigValues Values = LoadBytes("\xEF\xBB\xBF" "Forms.Main.Location.X = -1200\r"
                                           "larkspur.listbox.view = LIST\n[Recent Files]\r\n"
                                           "Larkspur.Listbox.View = Tiles\r\rFORMS.MAIN.SIZE.WIDTH = 640\n"
                                           "Forms.Main.Size.Width = wide\n[Forms]\nLarkspur.SearchWord = First\n"
                                           "Forms.Main.WindowState = MAXIMIZED\nForms.Main.WindowState = Minimized\n"
                                           "Forms.Main.Size.Height = 480 // the height\n"
                                           "Larkspur.ExtractDirectory = /no/such/folder/anywhere\n"
                                           "Larkspur.SearchWord = caf\xE9\nPREVIEW.VISIBLE = true\n"
                                           "Preview.Visible = shown");
    EXPECT_EQ(Values.iX, -1200);
    EXPECT_FALSE(Values.iY.has_value());
    EXPECT_EQ(Values.eView, EListView::List);
    EXPECT_EQ(Values.iWidth, 640);
    EXPECT_EQ(Values.iHeight, 480);
    EXPECT_EQ(Values.eWindowState, EWindowState::Maximized);
    EXPECT_FALSE(Values.sExtractDirectory.has_value());
    EXPECT_EQ(Values.sSearchWord, QStringLiteral("café"));
    EXPECT_EQ(Values.bPreview, true);

    EXPECT_EQ(LoadBytes(("Larkspur.ExtractDirectory = " + Folder.path()).toUtf8()).sExtractDirectory, Folder.path());
    EXPECT_FALSE(LoadBytes(("Larkspur.ExtractDirectory = " + Path()).toUtf8()).sExtractDirectory);  // a file
}

TEST_F(SettingsFile, EveryRecentLineCountsAndTheListKeepsTheLastEight)
{
    QByteArray Bytes;
    for (int i = 1; i <= 10; ++i)
        Bytes += "RecentFiles.GCF = /g/a" + QByteArray::number(i) + ".gcf\r\n";
    Bytes += "RecentFiles.GCF = /G/A5.gcf\r\n";  // the same archive in other case: moved up
    EXPECT_EQ(ThroughRecentList(LoadBytes(Bytes).RecentFiles),
              QStringList({"/G/A5.gcf", "/g/a10.gcf", "/g/a9.gcf", "/g/a8.gcf", "/g/a7.gcf", "/g/a6.gcf",
                           "/g/a4.gcf", "/g/a3.gcf"}));
}

// Two windows of one settings file closing at the same moment (a logout
// closes every window at once), twenty times over: each has opened four
// archives, and the file keeps all eight.
TEST_F(SettingsFile, WindowsClosingTogetherKeepEachOthersRecentArchives)
{
    for (int iRound = 0; iRound < 20; ++iRound)
    {
        QFile::remove(Path());
        int Start[2];
        ASSERT_EQ(::pipe(Start), 0);
        pid_t Windows[2];
        for (int iWindow = 0; iWindow < 2; ++iWindow)
        {
            std::fflush(nullptr);
            Windows[iWindow] = ::fork();
            if (Windows[iWindow] == 0)
            {
                ::close(Start[1]);
                CRecentFiles Recent;
                for (int i = 0; i < 4; ++i)
                    Recent.Add(QStringLiteral("/w%1/a%2.gcf").arg(iWindow).arg(i));
                char cGo;
                [[maybe_unused]] const ssize_t iRead = ::read(Start[0], &cGo, 1);  // both go when it closes
                ::_exit(CConfigFile::WriteMerged(Path(), SConfigValues(), Recent) ? 0 : 1);
            }
        }
        ::close(Start[0]);
        ::close(Start[1]);
        for (const pid_t iWindow : Windows)
        {
            int iStatus = -1;
            ASSERT_EQ(::waitpid(iWindow, &iStatus, 0), iWindow);
            EXPECT_TRUE(WIFEXITED(iStatus) && WEXITSTATUS(iStatus) == 0);
        }
        SConfigValues Read;
        ASSERT_TRUE(CConfigFile::Load(Path(), Read));
        EXPECT_EQ(Read.RecentFiles.size(), 8) << "round " << iRound;
    }
}

TEST_F(SettingsFile, ReportsFilesThatCannotBeReadOrWritten)
{
    SConfigValues Values;
    Values.sSearchWord = QStringLiteral("kept");
    EXPECT_FALSE(CConfigFile::Load(Path("missing.cfg"), Values));
    EXPECT_FALSE(CConfigFile::Load(Folder.path(), Values));
    EXPECT_EQ(Values.sSearchWord, QStringLiteral("kept"));
    EXPECT_EQ(CConfigFile::Write(Path("no/such/folder/larkspur.cfg"), Values).eFailure, ESaveFailure::NotWritten);
    // A device is never replaced, not even by root.
    if (QFile::exists(QStringLiteral("/dev/full")))
    {
        EXPECT_EQ(CConfigFile::Write(QStringLiteral("/dev/full"), Values).eFailure, ESaveFailure::NotRegularFile);
    }
    EXPECT_FALSE(QFileInfo(QStringLiteral("/dev/full")).isFile());
}

// What a crafted file or path could do: line breaks never reach the file,
// overlong recent entries are neither kept nor written, and only the first
// MiB of the file is read.
TEST_F(SettingsFile, LineBreaksAndOverlongValuesAreNeverWrittenOrRead)
{
    SConfigValues Values;
    Values.sSearchWord = QStringLiteral("word\nForms.Main.Location.X = -30000");
    Values.RecentFiles = {QStringLiteral("/a.gcf"), QStringLiteral("/b\r.gcf"), "/" + QString(5000, 'x')};
    ASSERT_TRUE(CConfigFile::Write(Path(), Values));
    const QByteArray Bytes = ReadBytes();
    EXPECT_FALSE(Bytes.contains("-30000"));
    EXPECT_TRUE(Bytes.contains("Larkspur.SearchWord = \r\n"));
    EXPECT_EQ(Bytes.count("RecentFiles.GCF"), 1);
    EXPECT_FALSE(CRecentFiles().Add(QStringLiteral("/b\n.gcf")));

    // A path of 4,096 bytes is the longest kept.
    const QByteArray Longest = "/" + QByteArray(4095, 'y');
    const QByteArray Padding = "// " + QByteArray((1 << 20) - 4300, 'p') + "\r\n";
    const SConfigValues Read = LoadBytes("RecentFiles.GCF = " + Longest + "y\r\nRecentFiles.GCF = " + Longest +
                                         "\r\n" + Padding + "Larkspur.SearchWord = past the first MiB\r\n");
    EXPECT_EQ(Read.RecentFiles, QStringList{QString::fromLatin1(Longest)});
    EXPECT_FALSE(Read.sSearchWord);
}

}  // namespace
