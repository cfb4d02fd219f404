#pragma once
// The conversions of videos whose picture browsers cannot decode: one job
// at a time, which runs a few segments ahead of the player and keeps what it
// made in a folder of its own, so that a player coming back, or a second
// player of the same video, is served at once.
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <utility>

#include "platform/regular_file.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"

class Transcoder {
public:
    // A video as the player asks for it: its path, its modification time (a
    // file replaced under the same name is another video, whose segments
    // are made afresh) and its sound track (negative: the one played first).
    struct Video {
        std::filesystem::path path;
        std::filesystem::file_time_type modified;
        int soundTrack = -1;
        auto operator<=>(const Video&) const = default;
    };

    struct Options {
        std::filesystem::path folder;                                   // made if missing; removed with the transcoder
        std::uintmax_t byteLimit = 512ull << 20;                        // the segments kept; the oldest go first
        std::chrono::milliseconds idleEnd = std::chrono::seconds(30);   // a job nobody asks of ends
        std::size_t ahead = 5;                                          // segments made beyond the one last asked for
        std::chrono::milliseconds patience = std::chrono::seconds(60);  // how long a request waits
    };

    explicit Transcoder(Options options);
    // Ends the job and removes the folder.
    ~Transcoder();
    Transcoder(const Transcoder&) = delete;
    Transcoder& operator=(const Transcoder&) = delete;

    // Segment `segment` of `video` (opened as `file`, which the job keeps if it
    // starts one), converted: at once when it was made before; otherwise from
    // the running job when it is about to reach it, or from a new job begun at
    // it, which ends the one before (playing moved on, or far away).
    SegmentBytes segment(std::unique_ptr<platform::RegularFileReader> file, const Video& video, const SegmentPlan& plan,
                         std::size_t segment);

    // Whether a job is converting now.
    bool converting() const;

private:
    struct Job;
    using Key = std::pair<Video, std::size_t>;  // one segment of a video
    struct Stored {
        std::filesystem::path file;
        std::uintmax_t size = 0;
        std::uint64_t order = 0;  // when it was made, for removing the oldest
    };

    bool jobReaches(const Video& video, std::size_t segment) const;
    void run(Job& job);
    // Keeps a segment the job made; false when the job is to end.
    bool keep(Job& job, std::size_t segment, std::string&& bytes);
    void removeOldestBeyondLimit();
    std::filesystem::path fileFor(const Key& key);

    const Options m_options;
    mutable std::mutex m_mutex;
    std::condition_variable m_changed;
    std::unique_ptr<Job> m_job;
    std::map<Key, Stored> m_stored;
    std::map<Video, std::uint64_t> m_videoNumbers;  // names the segments' files
    std::uintmax_t m_storedBytes = 0;
    std::uint64_t m_madeCount = 0;
};
