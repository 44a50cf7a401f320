// SPDX-License-Identifier: MIT
#pragma once
// bench_tree's section for an archive of a million items (--million).

#include <QString>

// The rounds against the floor; sSelf is bench_tree itself, run again with
// --million-rss to measure the window's memory alone.
int BenchMillionTree(int iRounds, const QString &sSelf);
// The child's part: opens sArchive in a window and prints its peak RSS, its
// RSS and its RSS before the window, in KiB.
int MillionTreeRss(const QString &sArchive);
