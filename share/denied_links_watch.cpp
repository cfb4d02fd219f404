#include "share/denied_links_watch.h"

#include <algorithm>

#include "nginx/link_guard.h"

DeniedLinksWatch::DeniedLinksWatch(ShareSettings settings, InstallPaths paths, std::vector<std::string> found,
                                   std::chrono::milliseconds interval)
    : m_settings(std::move(settings)),
      m_paths(std::move(paths)),
      interval_(interval),
      latest_(std::move(found)),
      thread_([this](std::stop_token stop) { walkUntilStopped(stop); }) {}

std::vector<std::string> DeniedLinksWatch::latest() const {
    const std::lock_guard lock(mutex_);
    return latest_;
}

void DeniedLinksWatch::walkUntilStopped(std::stop_token stop) {
    auto pause = interval_;
    for (;;) {
        {
            std::unique_lock lock(mutex_);
            wake_.wait_for(lock, stop, pause, [] { return false; });
        }
        if (stop.stop_requested()) return;
        const auto began = std::chrono::steady_clock::now();
        std::vector<std::string> found = pathsThroughLinksToProgramFiles(m_settings, m_paths, stop);
        if (stop.stop_requested()) return;
        const auto took = std::chrono::steady_clock::now() - began;
        pause = std::max(interval_, std::chrono::duration_cast<std::chrono::milliseconds>(took * kWalkPauseFactor));
        const std::lock_guard lock(mutex_);
        latest_ = std::move(found);
    }
}
