// SPDX-License-Identifier: MIT
#pragma once
// Requests from outside to end the program: SIGTERM (what a session manager,
// systemd or kill sends), SIGHUP (the terminal has gone), SIGINT (Ctrl+C) and
// the desktop session's end. Each comes out as EndRequested from the event
// loop, so the window closes as File > Exit does and nothing is lost: a
// signal handler only writes to a pipe, whose other end the event loop
// watches.

#include <QObject>
#include <QSocketNotifier>

#include <csignal>
#include <iterator>
#include <memory>

namespace Larkspur
{

class CEndRequests final : public QObject
{
    Q_OBJECT

public:
    // Takes the three signals over until destroyed; one object at a time.
    CEndRequests();
    ~CEndRequests() override;
    CEndRequests(const CEndRequests &) = delete;
    CEndRequests &operator=(const CEndRequests &) = delete;

    static constexpr int ENDING_SIGNALS[] = {SIGTERM, SIGHUP, SIGINT};

signals:
    void EndRequested();

private:
    void ReadSignals();

    int Pipe[2] = {-1, -1};
    std::unique_ptr<QSocketNotifier> Notifier;
    struct sigaction Previous[std::size(ENDING_SIGNALS)] = {};
};

}  // namespace Larkspur
