#include "platform/instance_guard.h"

#include <windows.h>

#include <thread>

namespace platform {

// The mutex lives in the logon's default namespace, so only copies started by
// the same user see it. Its handle is never closed: the mutex lasts exactly as
// long as this process.
InstanceGuard acquireInstanceGuard(const std::wstring& name) {
    const HANDLE mutex = CreateMutexW(nullptr, TRUE, name.c_str());
    if (GetLastError() == ERROR_ALREADY_EXISTS) return InstanceGuard::AlreadyRunning;
    return mutex != nullptr ? InstanceGuard::First : InstanceGuard::Unavailable;
}

namespace {

std::wstring showEventName(const std::wstring& name) {
    return name + L".show";
}

}  // namespace

bool signalRunningInstance(const std::wstring& name) {
    const HANDLE event = OpenEventW(EVENT_MODIFY_STATE, FALSE, showEventName(name).c_str());
    if (event == nullptr) return false;
    const bool set = SetEvent(event) != FALSE;
    CloseHandle(event);
    return set;
}

struct InstanceSignalListener::State {
    HANDLE showEvent = nullptr;
    HANDLE stopEvent = nullptr;
    std::thread waiter;
};

// The waiter wakes for each request and ends when the stop event is set.
InstanceSignalListener::InstanceSignalListener(const std::wstring& name, std::function<void()> onSignal)
    : m_state(std::make_unique<State>()) {
    m_state->showEvent = CreateEventW(nullptr, FALSE, FALSE, showEventName(name).c_str());
    m_state->stopEvent = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    if (m_state->showEvent == nullptr || m_state->stopEvent == nullptr) return;
    m_state->waiter = std::thread([events = m_state.get(), onSignal = std::move(onSignal)] {
        const HANDLE handles[2] = {events->stopEvent, events->showEvent};
        while (WaitForMultipleObjects(2, handles, FALSE, INFINITE) == WAIT_OBJECT_0 + 1) onSignal();
    });
}

InstanceSignalListener::~InstanceSignalListener() {
    if (m_state->stopEvent != nullptr) SetEvent(m_state->stopEvent);
    if (m_state->waiter.joinable()) m_state->waiter.join();
    if (m_state->showEvent != nullptr) CloseHandle(m_state->showEvent);
    if (m_state->stopEvent != nullptr) CloseHandle(m_state->stopEvent);
}

bool InstanceSignalListener::listening() const {
    return m_state->waiter.joinable();
}

}  // namespace platform
