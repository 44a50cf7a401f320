// SPDX-License-Identifier: MIT
// The recent archives: most recent first, at most eight, one entry per path in any letter case.
#include "settings/CRecentFiles.h"
#include "tests/support/TestSupport.h"

#include <gtest/gtest.h>

#include <ostream>

using namespace Larkspur;

namespace
{

TEST(RecentFiles, MovesAFoundEntryToTheFrontInTheCaseJustUsed)
{
    CRecentFiles Recent;
    for (const char *szFile : {"/x/1.gcf", "/x/2.gcf", "/x/\u00C4.gcf", "/x/4.gcf"})
        EXPECT_TRUE(Recent.Add(szFile));
    EXPECT_FALSE(Recent.Add("/X/4.GCF"));  // already first: nothing, not even its case
    EXPECT_TRUE(Recent.Add("/X/2.GCF"));
    EXPECT_TRUE(Recent.Add("/x/\u00E4.gcf"));  // case folded beyond ASCII
    EXPECT_EQ(Recent.Files(), QStringList({"/x/\u00E4.gcf", "/X/2.GCF", "/x/4.gcf", "/x/1.gcf"}));
    // Whole strings only, no path normalisation.
    EXPECT_TRUE(Recent.Add("/x/../x/1.gcf"));
    EXPECT_EQ(Recent.Files().size(), 5);
}

TEST(RecentFiles, KeepsTheEightMostRecent)
{
    CRecentFiles Recent;
    for (int i = 1; i <= 9; ++i)
        Recent.Add(QStringLiteral("/g/%1.gcf").arg(i));
    EXPECT_EQ(Recent.Files().size(), CRecentFiles::MAX_RECENT_FILES);
    EXPECT_EQ(Recent.Files().front(), "/g/9.gcf");
    EXPECT_EQ(Recent.Files().back(), "/g/2.gcf");
}

TEST(RecentFiles, MergesWhatAnotherWindowStoredBehindWhatThisOneOpened)
{
    CRecentFiles Recent;
    for (const char *szFile : {"/r/old.gcf", "/r/kept.gcf"})
        Recent.Add(szFile);
    Recent.ForgetOpened();
    Recent.Add("/r/mine.gcf");
    Recent.Add("/R/OLD.GCF");
    // Another window stored its own archive meanwhile (the file's order is
    // oldest first).
    EXPECT_EQ(Recent.MergedWith({"/r/old.gcf", "/r/kept.gcf", "/r/theirs.gcf"}),
              QStringList({"/R/OLD.GCF", "/r/mine.gcf", "/r/theirs.gcf", "/r/kept.gcf"}));
    // Nothing opened here: the stored list stands as it is.
    CRecentFiles Idle;
    Idle.Add("/r/kept.gcf");
    Idle.ForgetOpened();
    EXPECT_EQ(Idle.MergedWith({"/r/kept.gcf", "/r/theirs.gcf"}), QStringList({"/r/theirs.gcf", "/r/kept.gcf"}));
    // Opening the archive that is already first changes no list, yet it was
    // opened here: it goes in front of the other window's.
    EXPECT_FALSE(Idle.Add("/r/kept.gcf"));
    EXPECT_EQ(Idle.MergedWith({"/r/kept.gcf", "/r/theirs.gcf"}), QStringList({"/r/kept.gcf", "/r/theirs.gcf"}));
}

}  // namespace
