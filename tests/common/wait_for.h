#pragma once
// Waiting for something a test started elsewhere to come about.
#include <chrono>
#include <functional>

#include "platform/wait_until.h"

// Polls `done` until it holds or `timeout` has passed; returns whether it held.
inline bool waitFor(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    return platform::waitUntil(done, timeout, std::chrono::milliseconds(20));
}
