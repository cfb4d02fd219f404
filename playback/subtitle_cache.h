#pragma once
// The subtitles inside videos, converted to WebVTT, remembered while the
// file stays as it was (the same size and modification time): reading them
// takes a pass over the whole file, and a viewer who switches subtitles
// back and forth should not wait for it again.
#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/regular_file.h"

class SubtitleCache {
public:
    // Stream `stream`'s WebVTT, one of the text subtitle streams `streams`
    // of `video` (opened as `file`), all of which are converted together on
    // the first request. Nullopt when the file cannot be read. Safe to call
    // from several threads.
    std::optional<std::string> webVtt(const platform::RegularFileReader& file, const std::filesystem::path& video,
                                      std::filesystem::file_time_type modified, int stream,
                                      const std::vector<int>& streams);

private:
    struct Entry {
        std::uint64_t size;
        std::filesystem::file_time_type modified;
        std::map<int, std::string> converted;
        std::size_t bytes;
    };
    // A season's worth of films' subtitles; past it, all is forgotten.
    static constexpr std::size_t kMostBytes = 32u << 20;

    std::mutex m_mutex;
    std::map<std::filesystem::path, Entry> m_entries;
    std::size_t m_bytes = 0;
};
