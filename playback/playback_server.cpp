#include "playback/playback_server.h"

#include <httplib.h>

extern "C" {
#include <libavutil/log.h>
}

#include <nlohmann/json.hpp>
#include <algorithm>
#include <cctype>
#include <chrono>
#include <cstdlib>
#include <optional>
#include <random>
#include <stdexcept>

#include "playback/play_decision.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"
#include "platform/paths.h"
#include "playback/served_video.h"
#include "playback/sidecar_subtitles.h"
#include "playback/subtitle_text.h"
#include "playback/track_labels.h"
#include "playback/webvtt_conversion.h"

namespace {

// Where nginx's location for the helper begins; the rest of the path names
// the video as "<share name>/<path below the shared folder>".
constexpr std::string_view kPlayPrefix = "/%vomra/play/";
constexpr const char* kSecretHeader = "X-Vomra-Secret";

std::string newSecret() {
    std::random_device source;
    std::uniform_int_distribution<int> digit(0, 15);
    std::string secret;
    for (int i = 0; i < 32; ++i) secret += "0123456789abcdef"[digit(source)];
    return secret;
}

// Takes as long for every wrong secret, whichever digit is wrong.
bool sameSecret(const std::string& given, const std::string& secret) {
    if (given.size() != secret.size()) return false;
    unsigned char difference = 0;
    for (std::size_t i = 0; i < secret.size(); ++i) difference |= static_cast<unsigned char>(given[i] ^ secret[i]);
    return difference == 0;
}

// What the page's browser said it plays, from the request's query.
BrowserAbilities abilitiesOf(const httplib::Request& request) {
    const auto says = [&](const char* name) { return request.get_param_value(name) == "1"; };
    return {says("hevc"), says("mkv"), says("ac3")};
}

const char* modeName(PlayMode mode) {
    switch (mode) {
        case PlayMode::asItIs:
            return "asItIs";
        case PlayMode::remux:
            return "remux";
        case PlayMode::transcode:
            return "transcode";
    }
    return "";
}

// The query that names the browser's abilities, as the page sent it.
std::string abilitiesQuery(const BrowserAbilities& browser) {
    return std::string("hevc=") + (browser.hevc ? "1" : "0") + "&mkv=" + (browser.matroska ? "1" : "0") +
           "&ac3=" + (browser.ac3 ? "1" : "0");
}

// A file name as one segment of an address: UTF-8 bytes other than letters,
// digits and "-._~" as percent codes.
std::string addressSegment(const std::string& name) {
    static const char* digits = "0123456789ABCDEF";
    std::string encoded;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        if (std::isalnum(byte) || c == '-' || c == '.' || c == '_' || c == '~') {
            encoded += c;
        } else {
            encoded += '%';
            encoded += digits[byte >> 4];
            encoded += digits[byte & 15];
        }
    }
    return encoded;
}

// The sound track the query names ("track=<n>", n counting the file's
// tracks from 0); nullopt for the one played first.
std::optional<std::size_t> chosenTrack(const httplib::Request& request, const StreamFacts& facts) {
    const std::string track = request.get_param_value("track");
    if (track.empty() || track.size() > 3 || track.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const std::size_t chosen = std::stoul(track);
    if (chosen >= facts.soundTracks.size()) return std::nullopt;
    return chosen;
}

// The subtitles the page offers: the sidecar files by their suffix ("chs.srt"),
// then the text streams inside the video by their index ("2").
nlohmann::json subtitlesOffered(const std::vector<std::string>& sidecars, const StreamFacts& facts) {
    std::vector<std::string> ids = sidecars, labels;
    for (const std::string& suffix : sidecars) labels.push_back(sidecarLabel(suffix));
    for (const TrackFacts& track : facts.textSubtitles) ids.push_back(std::to_string(track.streamIndex));
    for (std::string& label : trackLabels(facts.textSubtitles, TrackKind::subtitle)) labels.push_back(std::move(label));
    numberRepeats(labels);
    nlohmann::json offered = nlohmann::json::array();
    for (std::size_t i = 0; i < ids.size(); ++i) offered.push_back({{"id", ids[i]}, {"label", labels[i]}});
    return offered;
}

constexpr std::int64_t kWatchingSeconds = 30;
constexpr const char* kBrokenFile = "文件已损坏，或者不是视频";

std::int64_t steadySeconds() {
    return std::chrono::duration_cast<std::chrono::seconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

void notFound(httplib::Response& response) {
    response.status = 404;
    response.set_content("", "text/plain");
}

}  // namespace

PlaybackServer::PlaybackServer(Options options)
    : m_options(std::move(options)),
      m_folder(platform::LinkFreeDirectory::open(m_options.sharedFolder)),
      m_secret(newSecret()),
      m_server(std::make_unique<httplib::Server>()) {
    if (!m_folder) throw std::runtime_error("the shared folder cannot be opened");
    m_transcoder = std::make_unique<Transcoder>(Transcoder::Options{m_options.segmentFolder});
    // The encoders' statistics are no news to anyone; FFmpeg's errors are.
    av_log_set_level(AV_LOG_ERROR);
    m_server->Get(".*",
                  [this](const httplib::Request& request, httplib::Response& response) { answer(request, response); });
    const int port = m_server->bind_to_any_port("127.0.0.1");
    if (port <= 0) throw std::runtime_error("no loopback port is free");
    m_port = static_cast<std::uint16_t>(port);
    m_listener = std::thread([this] { m_server->listen_after_bind(); });
    // A stop that comes before the listener runs would be missed, and the
    // destructor would wait for it for ever.
    while (!m_server->is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

PlaybackServer::~PlaybackServer() {
    m_server->stop();
    m_listener.join();
}

bool PlaybackServer::watching() const {
    return steadySeconds() - m_lastSegmentAsked < kWatchingSeconds || m_transcoder->converting();
}

void PlaybackServer::setDeniedPaths(std::vector<std::string> deniedPaths) {
    const std::lock_guard lock(m_deniedMutex);
    m_deniedPaths = std::move(deniedPaths);
}

std::vector<std::string> PlaybackServer::deniedPaths() const {
    const std::lock_guard lock(m_deniedMutex);
    return m_deniedPaths;
}

// Without "part": how the named video plays in the asking browser, as JSON
// {"mode", "convertSound", "tracks" (the sound tracks' labels), "track" (the
// one played), "subtitles" ([{"id", "label"}]), "pictureSubtitlesOnly" when
// it has subtitles the page cannot show and none it can}, or {"failure",
// "detail"} with the reason, for viewers and in FFmpeg's words, why a file
// that is no playable video cannot be played. "track=<n>" chooses another
// sound track. With "part=playlist" or "part=<k>", for a video to be
// repackaged: its HLS playlist or segment k; with "part=subtitle&sub=<id>",
// one of its subtitles as WebVTT. A request without the secret, or for
// anything nginx would not serve, gets 404.
void PlaybackServer::answer(const httplib::Request& request, httplib::Response& response) const {
    if (!sameSecret(request.get_header_value(kSecretHeader), m_secret) || !request.path.starts_with(kPlayPrefix))
        return notFound(response);
    const auto relative = servedVideoPath(request.path.substr(kPlayPrefix.size()), m_options.shareName, deniedPaths());
    if (!relative) return notFound(response);
    std::string refusal;
    auto file = m_folder->openServedFile(*relative, refusal);
    if (!file) return notFound(response);

    std::error_code unknown;  // an unknown time is remembered as such
    const auto modified = std::filesystem::last_write_time(m_options.sharedFolder / *relative, unknown);
    const ProbeResult probed = m_probes.probe(*file, *relative, modified);
    const std::string part = request.get_param_value("part");
    if (!probed.facts) {
        if (!part.empty()) return notFound(response);
        // FFmpeg's reason is for the log, not for a household at its TV.
        response.set_content(nlohmann::json{{"failure", kBrokenFile}, {"detail", probed.failure}}.dump(),
                             "application/json");
        return;
    }
    const StreamFacts& facts = *probed.facts;
    if (part == "subtitle")
        return answerSubtitle(*file, *relative, modified, facts, request.get_param_value("sub"), response);
    const BrowserAbilities browser = abilitiesOf(request);
    const std::optional<std::size_t> track = chosenTrack(request, facts);
    const PlayDecision decision = track ? decidePlayback(facts, browser, *track) : decidePlayback(facts, browser);
    if (part.empty()) {
        std::vector<std::string> sounds = trackLabels(facts.soundTracks, TrackKind::sound);
        numberRepeats(sounds);
        nlohmann::json answer{
            {"mode", modeName(decision.mode)},
            {"convertSound", decision.convertSound},
            {"tracks", sounds},
            {"track", track.value_or(facts.soundPlayedFirst)},
            {"subtitles", subtitlesOffered(servedSidecars(*m_folder, *relative, deniedPaths()), facts)}};
        if (facts.pictureSubtitles && answer["subtitles"].empty()) answer["pictureSubtitlesOnly"] = true;
        response.set_content(answer.dump(), "application/json");
    } else if (decision.mode == PlayMode::asItIs) {
        notFound(response);
    } else {
        // A converted picture gets a key frame wherever a segment begins.
        const SegmentPlan plan = planSegments(
            decision.mode == PlayMode::remux ? facts.keyFrames : std::vector<double>{}, facts.durationSeconds);
        const std::string query = abilitiesQuery(browser) + (track ? "&track=" + std::to_string(*track) : "");
        if (part == "playlist") return answerPlaylist(plan, *relative, query, response);
        const Transcoder::Video video{*relative, modified, track ? static_cast<int>(*track) : -1};
        answerSegment(std::move(file), video, plan, part, decision, response);
    }
}

// Segment k's address, relative to the playlist's: the same file, abilities
// and sound track, "part=k".
void PlaybackServer::answerPlaylist(const SegmentPlan& plan, const std::filesystem::path& relative,
                                    const std::string& query, httplib::Response& response) {
    const std::string address = addressSegment(platform::utf8FromPath(relative.filename())) + "?" + query + "&part=";
    response.set_content(vodPlaylist(plan, address), "application/vnd.apple.mpegurl");
}

// "sub" names a stream inside the video by its index, or a sidecar file by
// its suffix; either is offered only as subtitlesOffered lists it.
void PlaybackServer::answerSubtitle(const platform::RegularFileReader& file, const std::filesystem::path& relative,
                                    std::filesystem::file_time_type modified, const StreamFacts& facts,
                                    const std::string& id, httplib::Response& response) const {
    std::optional<std::string> webVtt;
    if (!id.empty() && id.size() <= 4 && id.find_first_not_of("0123456789") == std::string::npos) {
        std::vector<int> streams;
        for (const TrackFacts& track : facts.textSubtitles) streams.push_back(track.streamIndex);
        const int stream = std::stoi(id);
        if (std::find(streams.begin(), streams.end(), stream) != streams.end())
            webVtt = m_subtitles.webVtt(file, relative, modified, stream, streams);
    } else if (const auto bytes = readSidecar(*m_folder, relative, id, deniedPaths())) {
        webVtt = sidecarWebVtt(subtitleTextToUtf8(*bytes), sidecarExtension(id));
    }
    if (!webVtt) return notFound(response);
    response.set_content(std::move(*webVtt), "text/vtt; charset=utf-8");
}

void PlaybackServer::answerSegment(std::unique_ptr<platform::RegularFileReader> file, const Transcoder::Video& video,
                                   const SegmentPlan& plan, const std::string& part, const PlayDecision& decision,
                                   httplib::Response& response) const {
    const std::size_t segment = std::strtoul(part.c_str(), nullptr, 10);
    if (part.find_first_not_of("0123456789") != std::string::npos || segment >= plan.starts.size())
        return notFound(response);
    m_lastSegmentAsked = steadySeconds();
    SegmentBytes made = decision.mode == PlayMode::remux
                            ? remuxSegment(*file, video.path, plan, segment, decision.convertSound, video.soundTrack)
                            : m_transcoder->segment(std::move(file), video, plan, segment);
    if (made.bytes.empty()) {
        response.status = 500;
        response.set_content(made.failure, "text/plain");
        return;
    }
    response.set_content(std::move(made.bytes), "video/mp2t");
}
