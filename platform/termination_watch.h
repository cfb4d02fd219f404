#pragma once
// Hearing that the program is asked from outside to end: the session logs
// out, or a user or a terminal asks it to.
#include <functional>
#include <memory>

namespace platform {

// While the watch lives, the first request to end the program calls
// `onRequest` once, on a thread of the watch's own, so `onRequest` only
// hands the request on to the main loop; later requests are absorbed while
// the program ends. When the watch goes, requests end the process as before.
// POSIX: SIGTERM (a logout, kill), SIGHUP (the session or the terminal goes)
// and SIGINT (Ctrl+C). A logout sends SIGTERM and SIGHUP one after the
// other, so the second must not cut the first one's work short.
// Windows: nothing is watched. A program with windows and no console hears
// of a logout or shutdown only through its window messages.
class TerminationWatch {
public:
    explicit TerminationWatch(std::function<void()> onRequest);
    ~TerminationWatch();
    TerminationWatch(const TerminationWatch&) = delete;
    TerminationWatch& operator=(const TerminationWatch&) = delete;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform
