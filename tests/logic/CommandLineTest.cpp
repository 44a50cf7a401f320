// SPDX-License-Identifier: MIT
// The command line rebuilt from the argument vector, and the archive path cut
// out of it.

#include "window/CommandLine.h"

#include "Version.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using Larkspur::AbsoluteArchivePath;
using Larkspur::InformationText;
using Larkspur::PathFromArguments;
using Larkspur::PathFromCommandLine;
using Larkspur::RebuildCommandLine;

namespace
{

TEST(CommandLineTest, PathIsCutOutByTheQuoteAndBlankRules)
{
    struct SCase
    {
        const char *szLine;
        const char *szPath;
    };
    const SCase Cases[] = {
        {"", ""},
        {"     ", ""},
        {"\t \n", ""},
        {"/games/a.gcf", "/games/a.gcf"},
        {"  /games/a.gcf  ", "/games/a.gcf"},
        {"/games/a b.gcf", "/games/a"},                // unquoted: cut at the first blank
        {"\"/games/my cache.gcf\" -x", "/games/my cache.gcf"},
        {"\"/games/my cache.gcf\"tail", "/games/my cache.gcf"},
        {"\"\"", ""},
        {"\"\" /games/a.gcf", ""},
        {"\"/games/unclosed cache.gcf", "/games/unclosed cache.gcf"},  // no closing quote: the rest
        {"\"", ""},
        {"/games/a\tb.gcf", "/games/a\tb.gcf"},       // only a blank ends an unquoted path
    };
    for (const SCase &Case : Cases)
        EXPECT_EQ(PathFromCommandLine(QString::fromUtf8(Case.szLine)).toStdString(), Case.szPath) << Case.szLine;
}

TEST(CommandLineTest, RebuiltLineQuotesArgumentsWithWhiteSpace)
{
    EXPECT_EQ(RebuildCommandLine({}), "");
    EXPECT_EQ(RebuildCommandLine({"/games/a.gcf"}), "/games/a.gcf");
    EXPECT_EQ(RebuildCommandLine({"/games/my cache.gcf", "-x"}), "\"/games/my cache.gcf\" -x");
    EXPECT_EQ(RebuildCommandLine({"a\tb", ""}), "\"a\tb\" \"\"");
}

TEST(CommandLineTest, AnArgumentComesBackWhole)
{
    // What the shell split into arguments is what the window opens; a single
    // argument whatever it holds, the first of several unless it holds a quote.
    for (const char *szPath : {"/games/a.gcf", "/games/my cache.gcf", "/g/ü x.gcf", "  lead.gcf"})
    {
        const QString sPath = QString::fromUtf8(szPath);
        EXPECT_EQ(PathFromArguments({sPath, "--other"}), sPath) << szPath;
    }
    const struct
    {
        QStringList Arguments;
        const char *szPath;
    } Cases[] = {
        {{}, ""},
        {{"a \"b\" c.gcf"}, "a \"b\" c.gcf"},
        {{"\"quoted.gcf\""}, "\"quoted.gcf\""},
        {{" x.gcf "}, " x.gcf "},
        {{"--"}, ""},
        {{"--", "-odd.gcf"}, "-odd.gcf"},
        {{"--", "a b.gcf", "x"}, "a b.gcf"},
        {{"-odd.gcf", "--"}, "-odd.gcf"},
        {{"\"a b.gcf", "x"}, ""},  // rejoined as ""a b.gcf" x: the quotes enclose nothing
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(PathFromArguments(Case.Arguments).toStdString(), Case.szPath)
            << Case.Arguments.join('|').toStdString();
}

TEST(CommandLineTest, RelativePathIsMadeAbsoluteFromTheCurrentFolder)
{
    QTemporaryDir Folder;
    const QDir Root(Folder.path());
    ASSERT_TRUE(Root.mkpath("sub") && Root.mkpath("elsewhere/deep"));
    for (const char *szFile : {"a.gcf", "elsewhere/a.gcf"})
    {
        QFile File(Root.filePath(szFile));
        ASSERT_TRUE(File.open(QIODevice::WriteOnly));
    }
    // Through the link, "link/.." is elsewhere/, not the folder holding the link.
    ASSERT_TRUE(QFile::link(Root.filePath("elsewhere/deep"), Root.filePath("link")));
    const QString sRoot = Folder.path();
    const struct
    {
        QString sPath, sExpected;
    } Cases[] = {
        {"a.gcf", sRoot + "/a.gcf"},
        {"./a.gcf", sRoot + "/a.gcf"},
        {"sub/../a.gcf", sRoot + "/a.gcf"},
        {"link/../a.gcf", sRoot + "/link/../a.gcf"},
        {"missing/../a.gcf", sRoot + "/missing/../a.gcf"},
        {"/abs/./x.gcf", "/abs/./x.gcf"},  // an absolute path is the caller's own
        {"", ""},
    };
    for (const auto &Case : Cases)
        EXPECT_EQ(AbsoluteArchivePath(Case.sPath, sRoot).toStdString(), Case.sExpected.toStdString())
            << Case.sPath.toStdString();
}

TEST(CommandLineTest, HelpAndVersionAnswerOnlyAsTheFirstArgument)
{
    EXPECT_EQ(InformationText({"--version"}), QString("larkspur " LARKSPUR_VERSION "\n"));
    for (const char *szHelp : {"--help", "-h"})
    {
        const std::optional<QString> sHelp = InformationText({szHelp});
        ASSERT_TRUE(sHelp.has_value()) << szHelp;
        EXPECT_TRUE(sHelp->startsWith("Usage: larkspur [--] [ARCHIVE]\n"));
    }
    for (const QStringList &Arguments : {QStringList{}, QStringList{"a.gcf", "--help"}, QStringList{"--helpful.gcf"}})
        EXPECT_FALSE(InformationText(Arguments).has_value()) << Arguments.join(' ').toStdString();
}

}  // namespace
