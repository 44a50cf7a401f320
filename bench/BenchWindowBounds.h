// SPDX-License-Identifier: MIT
#pragma once
// bench_tree's section for the window's bounds (--bounds): shapes of
// archive content that once froze the window, each at two sizes.

#include <QString>

// The rounds; sSelf is bench_tree itself, run again with --bounds-case for
// each measurement, so that each has a process (and a peak RSS) of its own.
int BenchWindowBounds(int iRounds, const QString &sSelf);
// The child's part: one case (jpeg, text or find) on sArchive; writes its
// seconds and the longest wait of the window's thread to sResult.
int WindowBoundsCase(const QString &sKind, const QString &sArchive, const QString &sResult);
