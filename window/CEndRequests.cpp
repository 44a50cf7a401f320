// SPDX-License-Identifier: MIT
#include "window/CEndRequests.h"

#include <QGuiApplication>
#include <QSessionManager>

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <iterator>

namespace Larkspur
{

namespace
{

// The handler's end of the pipe; a handler may touch nothing else.
volatile sig_atomic_t iSignalPipe = -1;

void OnEndingSignal(int iSignal)
{
    const int iSavedError = errno;
    const char cSignal = char(iSignal);
    // Non-blocking: a pipe full of earlier signals already says enough.
    [[maybe_unused]] const ssize_t iWritten = ::write(iSignalPipe, &cSignal, 1);
    errno = iSavedError;
}

}  // namespace

CEndRequests::CEndRequests()
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, Pipe) == 0)
    {
        iSignalPipe = Pipe[0];
        Notifier = std::make_unique<QSocketNotifier>(Pipe[1], QSocketNotifier::Read);
        connect(Notifier.get(), &QSocketNotifier::activated, this, [this] { ReadSignals(); });
        struct sigaction Action = {};
        Action.sa_handler = OnEndingSignal;
        sigemptyset(&Action.sa_mask);
        Action.sa_flags = SA_RESTART;
        for (size_t i = 0; i < std::size(ENDING_SIGNALS); ++i)
            ::sigaction(ENDING_SIGNALS[i], &Action, &Previous[i]);
    }
    // The session's end: the session manager asks the program to save its
    // work (and will end it soon after); a quit that comes from elsewhere
    // closes the window on the way out.
    if (auto *lpApplication = qobject_cast<QGuiApplication *>(QCoreApplication::instance()))
        connect(lpApplication, &QGuiApplication::commitDataRequest, this, &CEndRequests::EndRequested);
    connect(QCoreApplication::instance(), &QCoreApplication::aboutToQuit, this, &CEndRequests::EndRequested);
}

CEndRequests::~CEndRequests()
{
    if (Pipe[0] < 0)
        return;
    for (size_t i = 0; i < std::size(ENDING_SIGNALS); ++i)
        ::sigaction(ENDING_SIGNALS[i], &Previous[i], nullptr);
    iSignalPipe = -1;
    Notifier.reset();
    ::close(Pipe[0]);
    ::close(Pipe[1]);
}

void CEndRequests::ReadSignals()
{
    char Signals[64];
    while (::read(Pipe[1], Signals, sizeof Signals) > 0)
    {
    }
    emit EndRequested();
}

}  // namespace Larkspur
