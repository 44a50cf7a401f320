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

#include <ostream>

using namespace Larkspur;

namespace
{

QProcessEnvironment Environment(std::initializer_list<std::pair<const char *, const char *>> Variables)
{
    QProcessEnvironment Result;
    for (const auto &[szName, szValue] : Variables)
        Result.insert(QLatin1String(szName), QString::fromUtf8(szValue));
    return Result;
}

TEST(ProgramFilesTest, SettingsAndLogFollowTheXdgFolders)
{
    struct SCase
    {
        QProcessEnvironment Environment;
        const char *szConfig, *szLog;
        QStringList TempParents;
    };
    const SCase Cases[] = {
        {Environment({{"HOME", "/home/u"}}), "/home/u/.config/larkspur/larkspur.cfg",
         "/home/u/.local/state/larkspur/larkspur.log", {"/tmp"}},
        {Environment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "/c"}, {"XDG_STATE_HOME", "/s/"},
                      {"XDG_RUNTIME_DIR", "/run/user/7"}, {"TMPDIR", "/var/tmp"}}),
         "/c/larkspur/larkspur.cfg", "/s/larkspur/larkspur.log", {"/run/user/7", "/var/tmp", "/tmp"}},
        // Relative folders count as unset; so does an empty one.
        {Environment({{"HOME", "/home/u"}, {"XDG_CONFIG_HOME", "rel"}, {"XDG_STATE_HOME", ""},
                      {"XDG_RUNTIME_DIR", "run"}, {"TMPDIR", "/tmp/"}}),
         "/home/u/.config/larkspur/larkspur.cfg", "/home/u/.local/state/larkspur/larkspur.log", {"/tmp"}},
    };
    QTemporaryDir Program;
    for (const SCase &Case : Cases)
    {
        const SProgramFiles Files = CProgramFiles::Locate(Program.path(), Case.Environment);
        EXPECT_EQ(Files.sConfigFile, Case.szConfig);
        EXPECT_EQ(Files.sLogFile, Case.szLog);
        EXPECT_EQ(Files.TempParents, Case.TempParents);
    }
}

TEST(ProgramFilesTest, ASettingsFileBesideTheProgramMakesAPortableCopy)
{
    QTemporaryDir Program;
    const QProcessEnvironment Home = Environment({{"HOME", "/home/u"}, {"TMPDIR", "/var/tmp"}});
    // A folder of that name is not a settings file.
    ASSERT_TRUE(QDir(Program.path()).mkdir("larkspur.cfg"));
    EXPECT_EQ(CProgramFiles::Locate(Program.path(), Home).sConfigFile, "/home/u/.config/larkspur/larkspur.cfg");
    ASSERT_TRUE(QDir(Program.path()).rmdir("larkspur.cfg"));

    QFile Config(Program.filePath("larkspur.cfg"));
    ASSERT_TRUE(Config.open(QIODevice::WriteOnly));
    Config.close();
    const SProgramFiles Files = CProgramFiles::Locate(Program.path(), Home);
    EXPECT_EQ(Files.sConfigFile, Program.filePath("larkspur.cfg"));
    EXPECT_EQ(Files.sLogFile, Program.filePath("larkspur.log"));
    // The temporary folder stays private, never a "temp" beside the program.
    EXPECT_EQ(Files.TempParents, (QStringList{"/var/tmp", "/tmp"}));
}

TEST(ProgramFilesTest, EachTemporaryFolderIsNewAndPrivate)
{
    QTemporaryDir Parent;
    const QString sMissing = Parent.filePath("missing");
    const QString sFirst = CProgramFiles::MakePrivateTempDirectory({sMissing, Parent.path()});
    const QString sSecond = CProgramFiles::MakePrivateTempDirectory({Parent.path()});
    ASSERT_TRUE(sFirst.startsWith(Parent.path() + "/larkspur-") && sFirst.endsWith('/')) << sFirst.toStdString();
    ASSERT_FALSE(sSecond.isEmpty());
    EXPECT_NE(sFirst, sSecond);
    EXPECT_TRUE(CProgramFiles::IsPrivateDirectory(sFirst));
    EXPECT_EQ(QFileInfo(sFirst).permissions() & (QFile::ReadGroup | QFile::ReadOther | QFile::WriteOther),
              QFile::Permissions());

    EXPECT_EQ(CProgramFiles::MakePrivateTempDirectory({sMissing}), "");
    EXPECT_EQ(CProgramFiles::TempDirectoryTemplate({sMissing}), sMissing + "/larkspur-XXXXXX/");

    // Not private any more: opened to others, a link in its place, gone.
    ASSERT_TRUE(QFile::setPermissions(sSecond, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                                   QFile::ReadGroup | QFile::ExeGroup));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(sSecond));
    ASSERT_TRUE(QFile::link(sFirst, Parent.filePath("link")));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(Parent.filePath("link")));
    EXPECT_FALSE(CProgramFiles::IsPrivateDirectory(sMissing));
}

TEST(ProgramFilesTest, WriteFileMakesItsFoldersAndGivesTheReason)
{
    QTemporaryDir Parent;
    QString sError;
    const QString sLog = Parent.filePath("state/larkspur/larkspur.log");
    ASSERT_TRUE(CProgramFiles::WriteFile(sLog, "line\n", sError)) << sError.toStdString();
    QFile Log(sLog);
    ASSERT_TRUE(Log.open(QIODevice::ReadOnly));
    EXPECT_EQ(Log.readAll(), "line\n");
    EXPECT_EQ(QFileInfo(Parent.filePath("state")).permissions() & (QFile::ReadOther | QFile::ReadGroup),
              QFile::Permissions());

    // A file where a folder should be; a folder where the file should be.
    EXPECT_FALSE(CProgramFiles::WriteFile(sLog + "/below", "x", sError));
    EXPECT_EQ(sError, "Not a directory");
    EXPECT_FALSE(CProgramFiles::WriteFile(Parent.filePath("state"), "x", sError));
    EXPECT_FALSE(sError.isEmpty());
    EXPECT_EQ(CProgramFiles::NotWrittenLine("log", "/x/larkspur.log", "Permission denied"),
              "larkspur: Could not write the log /x/larkspur.log (Permission denied).");
}

}  // namespace
