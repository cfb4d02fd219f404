#pragma once
// One running copy per user: a named, process-lifetime lock.
#include <functional>
#include <memory>
#include <string>

namespace platform {

enum class InstanceGuard {
    First,           // this process holds the guard until it ends
    AlreadyRunning,  // another process of this user holds it
    Unavailable,     // the guard could not be created; start-up goes on
};

// Windows: the named mutex `name`, created owned and never closed.
// POSIX: an exclusive flock on a file named after `name`, held open for the
// life of the process, in a folder no other user can write to: the session's
// runtime folder ($XDG_RUNTIME_DIR), else "${TMPDIR:-/tmp}/vomra-<uid>", else
// "$HOME/.vomra" (made with mode 0700; each used only when it is a folder,
// not a link, owned by the user and writable by no one else).
InstanceGuard acquireInstanceGuard(const std::wstring& name);

// Asks the copy that holds the guard `name` to show itself; returns whether
// the request was delivered.
// POSIX: one byte through a Unix socket beside the lock file, sent without
// waiting.
// Windows: the named auto-reset event "<name>.show" of the user's logon.
bool signalRunningInstance(const std::wstring& name);

// While it lives, the copy that holds the guard hears those requests:
// `onSignal` runs once per request on a thread of the listener's own, so it
// only hands the request on to the main loop.
class InstanceSignalListener {
public:
    InstanceSignalListener(const std::wstring& name, std::function<void()> onSignal);
    ~InstanceSignalListener();
    InstanceSignalListener(const InstanceSignalListener&) = delete;
    InstanceSignalListener& operator=(const InstanceSignalListener&) = delete;

    bool listening() const;

private:
    struct State;
    std::unique_ptr<State> m_state;
};

}  // namespace platform
