// SPDX-License-Identifier: MIT
// Where the program's files go: the user's XDG folders, or beside the
// executable for a portable copy; the private temporary folders.
#include "settings/CProgramFiles.h"
#include "tests/support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <utility>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>

#include <csignal>

using namespace Larkspur;

namespace
{

// The variables that place the program's files, set for one test and put
// back afterwards.
class CScopedEnvironment
{
public:
    CScopedEnvironment(std::initializer_list<std::pair<const char *, const char *>> Values)
    {
        for (const char *szName : {"HOME", "XDG_CONFIG_HOME", "XDG_CACHE_HOME", "XDG_STATE_HOME", "TMPDIR"})
        {
            Saved.emplace_back(szName,
                               qEnvironmentVariableIsSet(szName) ? std::optional(qgetenv(szName)) : std::nullopt);
            qunsetenv(szName);
        }
        for (const auto &[szName, szValue] : Values)
            qputenv(szName, szValue);
    }
    ~CScopedEnvironment()
    {
        for (const auto &[szName, Value] : Saved)
            Value ? qputenv(szName, *Value) : qunsetenv(szName);
    }

private:
    std::vector<std::pair<const char *, std::optional<QByteArray>>> Saved;
};

TEST(ProgramFilesTest, SettingsLogAndTemporaryFoldersFollowTheXdgFolders)
{
    struct SCase
    {
        std::initializer_list<std::pair<const char *, const char *>> Environment;
        const char *szConfig, *szLog;
        QStringList TempParents;
    };
    const SCase Cases[] = {
        {{{"HOME", "/home/u"}}, "/home/u/.config/larkspur/larkspur.cfg", "/home/u/.local/state/larkspur/larkspur.log",
         {"/home/u/.cache/larkspur", "/tmp"}},
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s/"}, {"XDG_CACHE_HOME", "/k/"},
          {"TMPDIR", "/var/tmp"}},
         "/c/larkspur/larkspur.cfg", "/s/larkspur/larkspur.log", {"/k/larkspur", "/var/tmp", "/tmp"}},
        // Relative folders count as unset; so does an empty one.
        {{{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel"}, {"XDG_STATE_HOME", ""}, {"XDG_CACHE_HOME", "c"},
          {"TMPDIR", "/tmp/"}},
         "/home/u/.config/larkspur/larkspur.cfg", "/home/u/.local/state/larkspur/larkspur.log",
         {"/home/u/.cache/larkspur", "/tmp"}},
    };
    QTemporaryDir Program;
    for (const SCase &Case : Cases)
    {
        const CScopedEnvironment Environment(Case.Environment);
        const SProgramFiles Files = CProgramFiles::Locate(Program.path());
        EXPECT_EQ(Files.sConfigFile, Case.szConfig);
        EXPECT_EQ(Files.sLogFile, Case.szLog);
        EXPECT_EQ(Files.TempParents, Case.TempParents);
    }
}

TEST(ProgramFilesTest, ASettingsFileBesideTheProgramMakesAPortableCopy)
{
    QTemporaryDir Program;
    const CScopedEnvironment Home({{"HOME", "/home/u"}});
    // A folder of that name is not a settings file.
    ASSERT_TRUE(QDir(Program.path()).mkdir("larkspur.cfg"));
    EXPECT_EQ(CProgramFiles::Locate(Program.path()).sConfigFile, "/home/u/.config/larkspur/larkspur.cfg");
    ASSERT_TRUE(QDir(Program.path()).rmdir("larkspur.cfg"));

    QFile Config(Program.filePath("larkspur.cfg"));
    ASSERT_TRUE(Config.open(QIODevice::WriteOnly));
    Config.close();
    const SProgramFiles Files = CProgramFiles::Locate(Program.path());
    EXPECT_EQ(Files.sConfigFile, Program.filePath("larkspur.cfg"));
    EXPECT_EQ(Files.sLogFile, Program.filePath("larkspur.log"));
    // The temporary folder stays private, never a "temp" beside the program.
    EXPECT_EQ(Files.TempParents, (QStringList{"/home/u/.cache/larkspur", "/tmp"}));
}

TEST(ProgramFilesTest, EachTemporaryFolderIsNewPrivateAndLocked)
{
    QTemporaryDir Parent;
    QFile Blocking(Parent.filePath("file"));
    ASSERT_TRUE(Blocking.open(QIODevice::WriteOnly));
    const QString sUnusable = Parent.filePath("file/larkspur");
    const QString sCache = Parent.filePath("cache/larkspur");
    const STempDirectory First = CProgramFiles::MakePrivateTempDirectory({sUnusable, sCache});
    const STempDirectory Second = CProgramFiles::MakePrivateTempDirectory({sCache});
    ASSERT_TRUE(First.sPath.startsWith(sCache + "/larkspur-") && First.sPath.endsWith('/'))
        << First.sPath.toStdString();
    ASSERT_FALSE(Second.sPath.isEmpty());
    EXPECT_NE(First.sPath, Second.sPath);
    EXPECT_TRUE(CProgramFiles::IsPrivateDirectory(First.sPath));
    EXPECT_TRUE(CProgramFiles::IsPrivateDirectory(Parent.filePath("cache")));  // made, closed to others
    ASSERT_TRUE(First.Lock && First.Lock->isLocked());
    EXPECT_TRUE(QFileInfo(First.sPath + ".larkspur.lock").isFile());

    EXPECT_EQ(CProgramFiles::MakePrivateTempDirectory({sUnusable}).sPath, "");
    EXPECT_EQ(CProgramFiles::TempDirectoryTemplate({sUnusable}), sUnusable + "/larkspur-XXXXXX/");

    // Not private any more: opened to others, a link in its place, gone.
    ASSERT_TRUE(QFile::setPermissions(Second.sPath, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                        QFile::ReadGroup | QFile::ExeGroup));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(Second.sPath));
    ASSERT_TRUE(QFile::link(First.sPath, Parent.filePath("link")));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(Parent.filePath("link")));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(sUnusable));
}

TEST(ProgramFilesTest, OnlyTheFoldersOfEndedProcessesAreTakenOver)
{
    QTemporaryDir Parent;
    // A window killed outright: its process made the folder and ended.
    ASSERT_EQ(TestSupport::RunInChild([&] {
                  const STempDirectory Made = CProgramFiles::MakePrivateTempDirectory({Parent.path()});
                  ::_exit(Made.Lock && Made.Lock->isLocked() ? 0 : 1);
              }),
              0);
    const QStringList Left = QDir(Parent.path()).entryList({"larkspur-*"}, QDir::Dirs);
    ASSERT_EQ(Left.size(), 1);
    // A running window's (this process's), and one without a lock: a window
    // making its folder right now.
    const STempDirectory Running = CProgramFiles::MakePrivateTempDirectory({Parent.path()});
    ASSERT_TRUE(QDir(Parent.path()).mkdir("larkspur-nolock"));

    std::vector<STempDirectory> Taken = CProgramFiles::TakeAbandonedTempDirectories({Parent.path()});
    ASSERT_EQ(Taken.size(), 1u);
    EXPECT_EQ(Taken[0].sPath, Parent.filePath(Left.first()) + "/");
    EXPECT_TRUE(Taken[0].Lock->isLocked());
    // While it is taken, no one else takes it.
    EXPECT_TRUE(CProgramFiles::TakeAbandonedTempDirectories({Parent.path()}).empty());
}

TEST(ProgramFilesTest, WriteFileMakesItsFoldersAndGivesTheReason)
{
    QTemporaryDir Parent;
    const QString sLog = Parent.filePath("state/larkspur/larkspur.log");
    const SSaveResult Written = CProgramFiles::WriteFile(sLog, "line\n");
    ASSERT_TRUE(Written) << Written.sReason.toStdString();
    QFile Log(sLog);
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    EXPECT_EQ(Log.readAll(), "line\n");
    EXPECT_EQ(QFileInfo(Parent.filePath("state")).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());

    // A file where a folder should be; a folder where the file should be.
    const SSaveResult Below = CProgramFiles::WriteFile(sLog + "/below", "x");
    EXPECT_EQ(Below.eFailure, ESaveFailure::FolderNotMade);
    EXPECT_EQ(Below.sReason, "Not a directory");
    const SSaveResult OnFolder = CProgramFiles::WriteFile(Parent.filePath("state"), "x");
    EXPECT_EQ(OnFolder.eFailure, ESaveFailure::NotRegularFile);
    EXPECT_FALSE(OnFolder.sReason.isEmpty());
    EXPECT_EQ(CProgramFiles::NotWrittenLine("log", "/x/larkspur.log", "Permission denied"),
              "larkspur: Could not write the log /x/larkspur.log (Permission denied).");
}

TEST(ProgramFilesTest, AFailedSaveLeavesTheOldFileWhole)
{
    QTemporaryDir Parent;
    const QString sPath = Parent.filePath("larkspur.cfg");
    ASSERT_TRUE(CProgramFiles::WriteFile(sPath, "old\n"));
    // A disk that fills part-way: no file may grow past 4 KiB.
    EXPECT_EQ(TestSupport::RunInChild([&] {
                  ::signal(SIGXFSZ, SIG_IGN);
                  const rlimit Limit{4096, 4096};
                  ::setrlimit(RLIMIT_FSIZE, &Limit);
                  const SSaveResult Full = CProgramFiles::WriteFile(sPath, QByteArray(100000, 'x'));
                  ::_exit(Full.eFailure == ESaveFailure::NotWritten ? 0 : 1);
              }),
              0);
    QFile Saved(sPath);
    ASSERT_TRUE(Saved.open(QIODevice::ReadOnly));
    EXPECT_EQ(Saved.readAll(), "old\n");
    EXPECT_EQ(QDir(Parent.path()).entryList(QDir::Files | QDir::Hidden), QStringList{"larkspur.cfg"});
}

}  // namespace
