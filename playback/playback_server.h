#pragma once
// The playback helper: a small HTTP server on the loopback address that
// nginx passes the TV page's playback requests to, behind its login. It
// answers only requests that carry the secret nginx adds to each of them,
// so no other program or user of the machine can have it read the shared
// folder's videos.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/link_free_directory.h"
#include "playback/play_decision.h"
#include "playback/probe_cache.h"
#include "playback/segment_plan.h"
#include "playback/subtitle_cache.h"
#include "playback/transcoder.h"

namespace httplib {
class Server;
struct Request;
struct Response;
}  // namespace httplib

class PlaybackServer {
public:
    struct Options {
        std::filesystem::path sharedFolder;
        std::string shareName;                     // UTF-8, the first segment of every video's address
        std::filesystem::path segmentFolder = {};  // where converted segments are kept while it runs
    };

    // Holds the shared folder, listens on 127.0.0.1 on a free port and
    // answers on a thread of its own. Throws std::runtime_error when the
    // folder cannot be opened or no port can be had.
    explicit PlaybackServer(Options options);
    // Stops answering and waits for the requests in progress.
    ~PlaybackServer();
    PlaybackServer(const PlaybackServer&) = delete;
    PlaybackServer& operator=(const PlaybackServer&) = delete;

    std::uint16_t port() const { return m_port; }
    // A new one for each helper: 32 hexadecimal digits from the system's
    // random source.
    const std::string& secret() const { return m_secret; }

    // The paths below the shared folder that the running share denies
    // (through links to the program's files); kept up to date by the share.
    void setDeniedPaths(std::vector<std::string> deniedPaths);

    // Whether someone is watching a video the helper repackages or converts:
    // a segment asked for within the last half minute, or a conversion
    // running. Playing comes first, so the stills wait meanwhile.
    bool watching() const;

private:
    void answer(const httplib::Request& request, httplib::Response& response) const;
    static void answerPlaylist(const SegmentPlan& plan, const std::filesystem::path& relative, const std::string& query,
                               httplib::Response& response);
    void answerSegment(std::unique_ptr<platform::RegularFileReader> file, const Transcoder::Video& video,
                       const SegmentPlan& plan, const std::string& part, const PlayDecision& decision,
                       httplib::Response& response) const;
    void answerSubtitle(const platform::RegularFileReader& file, const std::filesystem::path& relative,
                        std::filesystem::file_time_type modified, const StreamFacts& facts, const std::string& id,
                        httplib::Response& response) const;
    std::vector<std::string> deniedPaths() const;

    Options m_options;
    std::unique_ptr<platform::LinkFreeDirectory> m_folder;
    mutable ProbeCache m_probes;
    mutable SubtitleCache m_subtitles;
    std::unique_ptr<Transcoder> m_transcoder;
    mutable std::atomic<std::int64_t> m_lastSegmentAsked{INT64_MIN / 2};  // steady clock, in seconds
    std::string m_secret;
    std::unique_ptr<httplib::Server> m_server;
    std::uint16_t m_port = 0;
    std::thread m_listener;
    mutable std::mutex m_deniedMutex;
    std::vector<std::string> m_deniedPaths;
};
