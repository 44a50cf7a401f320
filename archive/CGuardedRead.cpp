// SPDX-License-Identifier: MIT
#include "CGuardedRead.h"

#include <atomic>
#include <csetjmp>
#include <csignal>
#include <cstring>
#include <mutex>

namespace Larkspur
{

namespace
{

// Set while this thread runs a guarded copy. A plain pointer in
// thread-local storage of the executable is safe to read in a signal
// handler.
thread_local sigjmp_buf *tlpGuardJump = nullptr;

struct sigaction PreviousBusAction;

void OnBusError(int iSignal, siginfo_t *lpInfo, void *lpContext)
{
    if (sigjmp_buf *lpJump = tlpGuardJump)
    {
        tlpGuardJump = nullptr;
        siglongjmp(*lpJump, 1);
    }
    // Not ours: whoever handled SIGBUS before us, or the default (the
    // program ends when the faulting access runs again on return).
    if ((PreviousBusAction.sa_flags & SA_SIGINFO) != 0 && PreviousBusAction.sa_sigaction != nullptr)
    {
        PreviousBusAction.sa_sigaction(iSignal, lpInfo, lpContext);
        return;
    }
    if (PreviousBusAction.sa_handler != SIG_DFL && PreviousBusAction.sa_handler != SIG_IGN)
    {
        PreviousBusAction.sa_handler(iSignal);
        return;
    }
    struct sigaction Default = {};
    Default.sa_handler = SIG_DFL;
    sigemptyset(&Default.sa_mask);
    ::sigaction(SIGBUS, &Default, nullptr);
}

void InstallBusHandler()
{
    static std::once_flag Installed;
    std::call_once(Installed, [] {
        struct sigaction Action = {};
        Action.sa_sigaction = OnBusError;
        // SA_NODEFER: the handler leaves by siglongjmp without restoring the
        // signal mask (that would cost a system call per copy), so SIGBUS
        // must not be blocked while it runs; a blocked SIGBUS on the next
        // fault would end the program.
        Action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_ONSTACK;
        sigemptyset(&Action.sa_mask);
        ::sigaction(SIGBUS, &Action, &PreviousBusAction);
    });
}

}  // namespace

bool GuardedCopy(void *lpTarget, const void *lpSource, size_t uiBytes) noexcept
{
    if (uiBytes == 0)
        return true;
    InstallBusHandler();
    sigjmp_buf Jump;
    sigjmp_buf *const lpOuter = tlpGuardJump;
    if (sigsetjmp(Jump, 0) != 0)
    {
        tlpGuardJump = lpOuter;
        return false;
    }
    tlpGuardJump = &Jump;
    // The fences keep the compiler from moving the copy's loads outside the
    // span in which the handler knows about it.
    std::atomic_signal_fence(std::memory_order_seq_cst);
    std::memcpy(lpTarget, lpSource, uiBytes);
    std::atomic_signal_fence(std::memory_order_seq_cst);
    tlpGuardJump = lpOuter;
    return true;
}

}  // namespace Larkspur
