#include "app/commandline/Interruption.h"

#include <atomic>
#include <csignal>
#include <cstdlib>
#include <iterator>
#include <mutex>
#include <thread>

#if defined(_WIN32)
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <cerrno>
#include <unistd.h>
#endif

namespace app {

int InterruptionWatch::interruptedStatus(int signal)
{
    return 128 + signal;
}

namespace {

// The one action an interruption takes; one watch at a time.
std::mutex g_actionLock;
std::function<void()> g_beforeExit;

[[noreturn]] void endInterrupted(int signal)
{
    {
        const std::lock_guard lock(g_actionLock);
        if (g_beforeExit)
            g_beforeExit();
    }
    // No destructors, no waiting for the run: the server undoes its open transaction.
    std::_Exit(InterruptionWatch::interruptedStatus(signal));
}

}  // namespace

#if defined(_WIN32)

namespace {

BOOL WINAPI onConsoleControl(DWORD event)
{
    // Windows calls this on a thread of its own.
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT || event == CTRL_CLOSE_EVENT)
        endInterrupted(SIGINT);
    return FALSE;
}

}  // namespace

struct InterruptionWatch::Watch {};

InterruptionWatch::InterruptionWatch(std::function<void()> beforeExit) : m_watch(std::make_unique<Watch>())
{
    {
        const std::lock_guard lock(g_actionLock);
        g_beforeExit = std::move(beforeExit);
    }
    SetConsoleCtrlHandler(onConsoleControl, TRUE);
}

InterruptionWatch::~InterruptionWatch()
{
    SetConsoleCtrlHandler(onConsoleControl, FALSE);
    const std::lock_guard lock(g_actionLock);
    g_beforeExit = nullptr;
}

void keepRunningWhenOutputCloses()
{
    // Writing to a closed pipe already fails there, with no signal.
}

#else

namespace {

constexpr int kWatchedSignals[] = {SIGINT, SIGTERM, SIGHUP};

// The handler only wakes the watching thread: little else is safe inside it.
std::atomic<int> g_wakeFd{-1};

extern "C" void onSignal(int signal)
{
    const int savedErrno = errno;
    const unsigned char byte = static_cast<unsigned char>(signal);
    [[maybe_unused]] const ssize_t written = ::write(g_wakeFd.load(), &byte, 1);
    errno = savedErrno;
}

}  // namespace

struct InterruptionWatch::Watch {
    int pipe[2] = {-1, -1};
    struct sigaction previous[std::size(kWatchedSignals)] = {};
    std::thread thread;
};

InterruptionWatch::InterruptionWatch(std::function<void()> beforeExit) : m_watch(std::make_unique<Watch>())
{
    if (::pipe(m_watch->pipe) != 0)
        return;  // the signals keep their usual effect
    {
        const std::lock_guard lock(g_actionLock);
        g_beforeExit = std::move(beforeExit);
    }
    g_wakeFd = m_watch->pipe[1];
    m_watch->thread = std::thread([readEnd = m_watch->pipe[0]] {
        unsigned char byte = 0;
        ssize_t got;
        do
            got = ::read(readEnd, &byte, 1);
        while (got < 0 && errno == EINTR);
        // A zero byte (or a broken pipe) is the watch ending.
        if (got == 1 && byte != 0)
            endInterrupted(byte);
    });

    struct sigaction action = {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (std::size_t i = 0; i < std::size(kWatchedSignals); ++i)
        sigaction(kWatchedSignals[i], &action, &m_watch->previous[i]);
}

InterruptionWatch::~InterruptionWatch()
{
    if (!m_watch->thread.joinable())
        return;
    for (std::size_t i = 0; i < std::size(kWatchedSignals); ++i)
        sigaction(kWatchedSignals[i], &m_watch->previous[i], nullptr);
    const unsigned char stop = 0;
    [[maybe_unused]] const ssize_t written = ::write(m_watch->pipe[1], &stop, 1);
    m_watch->thread.join();
    g_wakeFd = -1;
    ::close(m_watch->pipe[0]);
    ::close(m_watch->pipe[1]);
    const std::lock_guard lock(g_actionLock);
    g_beforeExit = nullptr;
}

void keepRunningWhenOutputCloses()
{
    std::signal(SIGPIPE, SIG_IGN);
}

#endif

}  // namespace app
