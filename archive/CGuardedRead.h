// SPDX-License-Identifier: MIT
#pragma once
// The one place where bytes of a mapped archive are read when the file may
// have changed since it was opened. Nothing on Linux keeps another program
// from cutting an open file short (the game client rewrites its caches); a
// touch of a mapped page past the file's new end then raises SIGBUS, which
// would end the program. GuardedCopy turns that signal into a false result.
//
// How: a SIGBUS handler, installed once for the process, checks whether the
// faulting thread is inside a guarded copy (a thread-local jump buffer is
// set); if so it jumps back out of the copy with siglongjmp, and the copy
// reports failure. A SIGBUS anywhere else goes on to the handler that was
// there before, or ends the program as it would have without us. The jump
// buffer is per thread, so worker threads and a file-system server may copy
// at the same time.
//
// Only a plain byte copy runs inside the guard: the jump skips no destructor
// and leaves no lock held. Read what you need into your own memory with it,
// then look at the copy. Reads of memory that is not a file mapping (an
// archive held in memory) pass through the same function unchanged.

#include <cstddef>
#include <type_traits>

namespace Larkspur
{

// Copies uiBytes from lpSource to lpTarget. False when the source turned out
// to lie past the end of its file (SIGBUS); the target then holds a part of
// the bytes at most. Safe to call from any thread.
bool GuardedCopy(void *lpTarget, const void *lpSource, size_t uiBytes) noexcept;

// One structure (a header, a block entry, a link) copied out under the guard.
template <class T>
bool GuardedRead(const void *lpSource, T &Value) noexcept
{
    static_assert(std::is_trivially_copyable_v<T>);
    return GuardedCopy(&Value, lpSource, sizeof(T));
}

}  // namespace Larkspur
