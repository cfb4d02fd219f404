#include "share/denied_links_watch.h"

#include <algorithm>

#include "nginx/link_guard.h"

DeniedLinksWatch::DeniedLinksWatch(ShareSettings settings, InstallPaths paths, std::vector<std::string> found,
                                   std::chrono::milliseconds interval)
    : m_settings(std::move(settings)),
      m_paths(std::move(paths)),
      m_interval(interval),
      m_latest(std::move(found)),
      m_thread([this](std::stop_token stop) { walkUntilStopped(stop); }) {}

std::vector<std::string> DeniedLinksWatch::latest() const {
    const std::lock_guard lock(m_mutex);
    return m_latest;
}

void DeniedLinksWatch::walkUntilStopped(std::stop_token stop) {
    auto pause = m_interval;
    for (;;) {
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait_for(lock, stop, pause, [] { return false; });
        }
        if (stop.stop_requested()) return;
        const auto began = std::chrono::steady_clock::now();
        std::vector<std::string> found = pathsThroughLinksToProgramFiles(m_settings, m_paths, stop);
        if (stop.stop_requested()) return;
        const auto took = std::chrono::steady_clock::now() - began;
        pause = std::max(m_interval, std::chrono::duration_cast<std::chrono::milliseconds>(took * kWalkPauseFactor));
        const std::lock_guard lock(m_mutex);
        m_latest = std::move(found);
    }
}
