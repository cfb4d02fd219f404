#pragma once
// What the probe found for each video, remembered while the file stays as
// it was (the same size and modification time): a TV asks about the same
// videos again and again, and a probe reads the file.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <map>
#include <mutex>

#include "platform/regular_file.h"
#include "playback/media_probe.h"

class ProbeCache {
public:
    using Prober = std::function<ProbeResult(const platform::RegularFileReader&, const std::filesystem::path&)>;

    explicit ProbeCache(Prober prober = [](const platform::RegularFileReader& file,
                                           const std::filesystem::path& video) { return probeStreams(file, video); })
        : m_prober(std::move(prober)) {}

    // The remembered result for `video` when `file` is as it was then,
    // else a new probe's. Safe to call from several threads.
    ProbeResult probe(const platform::RegularFileReader& file, const std::filesystem::path& video,
                      std::filesystem::file_time_type modified);

private:
    struct Entry {
        std::uint64_t size;
        std::filesystem::file_time_type modified;
        ProbeResult result;
    };
    // More videos than a household's folder holds; past it, all is forgotten.
    static constexpr std::size_t kMostEntries = 20'000;

    Prober m_prober;
    std::mutex m_mutex;
    std::map<std::filesystem::path, Entry> m_entries;
};
