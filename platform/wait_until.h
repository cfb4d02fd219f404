#pragma once
// Waiting for something another process or thread brings about.
#include <chrono>
#include <functional>
#include <thread>

namespace platform {

// Polls `done` every `interval` until it holds or `timeout` has passed;
// returns whether it held.
inline bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                      std::chrono::milliseconds interval = std::chrono::milliseconds(50)) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(interval);
    }
    return true;
}

}  // namespace platform
