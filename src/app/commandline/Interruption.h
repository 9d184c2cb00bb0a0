#pragma once

#include <functional>
#include <memory>

namespace app {

// While it lives, Ctrl-C, SIGTERM or a closed terminal (SIGHUP; on Windows,
// the console's Ctrl-C, Ctrl-Break and close) no longer end the process
// before it can say so: beforeExit runs first, on a thread of its own while
// the run goes on, and then the process ends at once with
// interruptedStatus. Whatever the server was doing for the run is undone by
// the server when the connection goes with the process.
class InterruptionWatch {
public:
    explicit InterruptionWatch(std::function<void()> beforeExit);
    ~InterruptionWatch();

    InterruptionWatch(const InterruptionWatch&) = delete;
    InterruptionWatch& operator=(const InterruptionWatch&) = delete;

    // 128 plus the signal's number, as a shell reports it; 130 on Windows.
    static int interruptedStatus(int signal);

private:
    struct Watch;
    std::unique_ptr<Watch> m_watch;
};

// A reader that went away (a closed pipe) makes writes to it fail, instead of
// ending the process in the middle of a run.
void keepRunningWhenOutputCloses();

}  // namespace app
