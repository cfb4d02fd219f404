#pragma once
// The running share's links to the program's files, looked for again and
// again: a link made while sharing must be denied as one made before Start.
// Destroying the watch ends its thread at once, a walk under way included.
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "config/install_paths.h"
#include "config/share_settings.h"

// A walk costs at most a share of 1 / kWalkPauseFactor of the time between
// walks' beginnings.
inline constexpr int kWalkPauseFactor = 20;

class DeniedLinksWatch {
public:
    // Walks the shared folder on a thread of its own (see link_guard.h), the
    // first time after `interval` and then `interval` after each walk ends,
    // or kWalkPauseFactor times as long as the walk took when that is longer,
    // so that a huge or slow folder costs at most a twentieth of one processor.
    // `found` is the list as Start found it.
    DeniedLinksWatch(ShareSettings settings, InstallPaths paths, std::vector<std::string> found,
                     std::chrono::milliseconds interval);

    // What the latest walk found.
    std::vector<std::string> latest() const;

private:
    void walkUntilStopped(std::stop_token stop);

    const ShareSettings m_settings;
    const InstallPaths m_paths;
    const std::chrono::milliseconds m_interval;
    mutable std::mutex m_mutex;
    std::condition_variable_any m_wake;
    std::vector<std::string> m_latest;
    std::jthread m_thread;  // last: it starts once everything above is set, and ends first
};
