// The command line rebuilt from the argument vector, and the archive path cut
// out of it.

#include "window/CommandLine.h"

#include <gtest/gtest.h>

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
    // What the shell split into arguments is what the window opens.
    for (const char *szPath : {"/games/a.gcf", "/games/my cache.gcf", "/g/ü x.gcf", "  lead.gcf"})
    {
        const QString sPath = QString::fromUtf8(szPath);
        EXPECT_EQ(PathFromCommandLine(RebuildCommandLine({sPath, "--other"})), sPath) << szPath;
    }
}

}  // namespace
