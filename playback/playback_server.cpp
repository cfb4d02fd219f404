#include "playback/playback_server.h"

#include <httplib.h>

#include <nlohmann/json.hpp>
#include <chrono>
#include <random>
#include <stdexcept>

#include "playback/play_decision.h"
#include "playback/served_video.h"

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

void PlaybackServer::setDeniedPaths(std::vector<std::string> deniedPaths) {
    const std::lock_guard lock(m_deniedMutex);
    m_deniedPaths = std::move(deniedPaths);
}

std::vector<std::string> PlaybackServer::deniedPaths() const {
    const std::lock_guard lock(m_deniedMutex);
    return m_deniedPaths;
}

// How the named video plays in the asking browser, as JSON: {"mode", "convertSound"}, or
// {"failure"} with the reason a file that is no playable video cannot be
// played. A request without the secret, or for anything nginx would not
// serve, gets 404.
void PlaybackServer::answer(const httplib::Request& request, httplib::Response& response) const {
    if (!sameSecret(request.get_header_value(kSecretHeader), m_secret) || !request.path.starts_with(kPlayPrefix))
        return notFound(response);
    const auto relative = servedVideoPath(request.path.substr(kPlayPrefix.size()), m_options.shareName, deniedPaths());
    if (!relative) return notFound(response);
    std::string refusal;
    const auto file = m_folder->openServedFile(*relative, refusal);
    if (!file) return notFound(response);

    std::error_code unknown;  // an unknown time is remembered as such
    const auto modified = std::filesystem::last_write_time(m_options.sharedFolder / *relative, unknown);
    const ProbeResult probed = m_probes.probe(*file, *relative, modified);
    nlohmann::json answer;
    if (probed.facts) {
        const PlayDecision decision = decidePlayback(*probed.facts, abilitiesOf(request));
        answer = {{"mode", modeName(decision.mode)}, {"convertSound", decision.convertSound}};
    } else {
        answer = {{"failure", probed.failure}};
    }
    response.set_content(answer.dump(), "application/json");
}
