#include "playback/probe_cache.h"

ProbeResult ProbeCache::probe(const platform::RegularFileReader& file, const std::filesystem::path& video,
                              std::filesystem::file_time_type modified) {
    const std::uint64_t size = file.size();
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(video);
        if (found != m_entries.end() && found->second.size == size && found->second.modified == modified)
            return found->second.result;
    }
    // Probed without the lock: another video's request need not wait for it.
    ProbeResult result = m_prober(file, video);
    const std::lock_guard lock(m_mutex);
    if (m_entries.size() >= kMostEntries) m_entries.clear();
    m_entries.insert_or_assign(video, Entry{size, modified, result});
    return result;
}
