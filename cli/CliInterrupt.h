// SPDX-License-Identifier: MIT
#pragma once
// The signals that ask a command of larkspur-cli to stop: Ctrl+C (INT),
// TERM as a shutdown or "kill" sends it, HUP as a closed terminal or a
// logout sends it, USR1, USR2 and ALRM (a script's "timeout -s" or its own
// use). Each is taken as a request: the command stops between items,
// every line written so far reaches its output, and the tool exits with
// 128 + the signal, the status the shell gives a program the signal
// stopped. A second signal of one kind ends the tool at once (each handler
// goes back to the default after its first signal). A closed output pipe
// (PIPE) is left alone: it ends the tool at once, as it should.

#include <csignal>
#include <cstddef>
#include <iterator>

namespace Larkspur
{

class CInterruptGuard
{
public:
    CInterruptGuard();
    ~CInterruptGuard();
    CInterruptGuard(const CInterruptGuard &) = delete;
    CInterruptGuard &operator=(const CInterruptGuard &) = delete;

    static constexpr int SIGNALS[] = {SIGINT, SIGTERM, SIGHUP, SIGUSR1, SIGUSR2, SIGALRM};

private:
    struct sigaction Previous[std::size(SIGNALS)];
};

// The signal that asked the running command to stop, or 0.
int InterruptSignal();

}  // namespace Larkspur
