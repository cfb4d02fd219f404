#pragma once
// Waiting for something a test started elsewhere to come about.
#include <chrono>
#include <functional>
#include <thread>

// Polls `done` until it holds or `timeout` has passed; returns whether it held.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = std::chrono::steady_clock::now() + timeout;
    while (!done()) {
        if (std::chrono::steady_clock::now() >= deadline) return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return true;
}
