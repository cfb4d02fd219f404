#include "platform/termination_watch.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace platform {
namespace {

constexpr int kWatchedSignals[] = {SIGTERM, SIGHUP, SIGINT};
constexpr int kWatchedCount = sizeof kWatchedSignals / sizeof kWatchedSignals[0];

// The write end of the watch's pipe, for the signal handler.
std::atomic<int> g_requestPipe{-1};

// Only what is safe in a signal handler: one byte into the pipe. A full pipe
// already holds a request, so the write never blocks.
extern "C" void noteRequest(int) {
    const int savedErrno = errno;
    const char request = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(g_requestPipe.load(), &request, 1);
    errno = savedErrno;
}

// Reads the pipe until the watch closes it; the first byte is the request.
void watchPipe(int readEnd, const std::function<void()>& onRequest) {
    bool requested = false;
    char byte = 0;
    for (;;) {
        const ssize_t n = ::read(readEnd, &byte, 1);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;
        if (!requested) onRequest();
        requested = true;
    }
}

}  // namespace

struct TerminationWatch::State {
    int readEnd = -1;
    int writeEnd = -1;
    std::thread watcher;
    struct sigaction previous[kWatchedCount] = {};
};

// Without a pipe the signals keep their default action and end the process.
TerminationWatch::TerminationWatch(std::function<void()> onRequest) : m_state(std::make_unique<State>()) {
    int ends[2];
    if (::pipe2(ends, O_CLOEXEC) != 0) return;
    ::fcntl(ends[1], F_SETFL, O_NONBLOCK);
    m_state->readEnd = ends[0];
    m_state->writeEnd = ends[1];
    g_requestPipe = ends[1];
    m_state->watcher = std::thread(watchPipe, ends[0], std::move(onRequest));

    struct sigaction action {};
    action.sa_handler = noteRequest;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int i = 0; i < kWatchedCount; ++i) ::sigaction(kWatchedSignals[i], &action, &m_state->previous[i]);
}

TerminationWatch::~TerminationWatch() {
    if (m_state->writeEnd < 0) return;
    for (int i = 0; i < kWatchedCount; ++i) ::sigaction(kWatchedSignals[i], &m_state->previous[i], nullptr);
    g_requestPipe = -1;
    ::close(m_state->writeEnd);
    m_state->watcher.join();
    ::close(m_state->readEnd);
}

}  // namespace platform
