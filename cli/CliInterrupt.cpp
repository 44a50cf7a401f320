// SPDX-License-Identifier: MIT
#include "cli/CliInterrupt.h"

namespace Larkspur
{

namespace
{

volatile std::sig_atomic_t iInterrupted = 0;

void OnInterrupt(int iSignal)
{
    iInterrupted = iSignal;
}

}  // namespace

CInterruptGuard::CInterruptGuard()
{
    iInterrupted = 0;
    struct sigaction Action = {};
    Action.sa_handler = OnInterrupt;
    Action.sa_flags = SA_RESETHAND | SA_RESTART;
    sigemptyset(&Action.sa_mask);
    for (size_t i = 0; i < std::size(SIGNALS); ++i)
        ::sigaction(SIGNALS[i], &Action, &Previous[i]);
}

CInterruptGuard::~CInterruptGuard()
{
    for (size_t i = 0; i < std::size(SIGNALS); ++i)
        ::sigaction(SIGNALS[i], &Previous[i], nullptr);
}

int InterruptSignal()
{
    return iInterrupted;
}

}  // namespace Larkspur
