#include "playback/subtitle_cache.h"

#include "playback/webvtt_conversion.h"
#include "thumbs/video_input.h"

std::optional<std::string> SubtitleCache::webVtt(const platform::RegularFileReader& file,
                                                 const std::filesystem::path& video,
                                                 std::filesystem::file_time_type modified, int stream,
                                                 const std::vector<int>& streams) {
    const std::uint64_t size = file.size();
    {
        const std::lock_guard lock(m_mutex);
        const auto found = m_entries.find(video);
        if (found != m_entries.end() && found->second.size == size && found->second.modified == modified) {
            const auto converted = found->second.converted.find(stream);
            if (converted == found->second.converted.end()) return std::nullopt;
            return converted->second;
        }
    }
    // Converted without the lock: another video's request need not wait for it.
    Entry entry{size, modified, {}, 0};
    try {
        entry.converted = embeddedWebVtt(file, video, streams);
    } catch (const CaptureFailure&) {
        return std::nullopt;
    }
    for (const auto& [index, text] : entry.converted) entry.bytes += text.size();
    const auto converted = entry.converted.find(stream);
    std::optional<std::string> wanted;
    if (converted != entry.converted.end()) wanted = converted->second;
    const std::lock_guard lock(m_mutex);
    if (const auto old = m_entries.find(video); old != m_entries.end()) {
        m_bytes -= old->second.bytes;
        m_entries.erase(old);
    }
    if (m_bytes + entry.bytes > kMostBytes) {
        m_entries.clear();
        m_bytes = 0;
    }
    m_bytes += entry.bytes;
    m_entries.emplace(video, std::move(entry));
    return wanted;
}
