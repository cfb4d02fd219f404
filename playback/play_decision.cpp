#include "playback/play_decision.h"

#include <string_view>

namespace {

bool isOneOf(const std::string& value, std::initializer_list<std::string_view> names) {
    for (const std::string_view name : names)
        if (value == name) return true;
    return false;
}

// Browsers decode H.264 of 8 bits only; a 10-bit one shows black or nothing.
bool pictureDecodes(const StreamFacts& facts, const BrowserAbilities& browser) {
    if (facts.videoCodec == "h264") return facts.videoBitDepth <= 8;
    if (facts.videoCodec == "hevc") return browser.hevc;
    return isOneOf(facts.videoCodec, {"vp8", "vp9", "av1"});
}

bool soundPlaysInFiles(const std::string& codec, const BrowserAbilities& browser) {
    if (isOneOf(codec, {"ac3", "eac3"})) return browser.ac3;
    return codec.empty() || isOneOf(codec, {"aac", "mp3", "opus", "vorbis"});
}

// HLS segments are MPEG-TS, which carries AAC and MP3 to every player, and
// AC-3 to those that decode it.
bool soundPlaysInSegments(const std::string& codec, const BrowserAbilities& browser) {
    if (isOneOf(codec, {"ac3", "eac3"})) return browser.ac3;
    return codec.empty() || isOneOf(codec, {"aac", "mp3"});
}

// FFmpeg names one demuxer for Matroska and WebM; the extension tells them apart.
bool containerPlays(const StreamFacts& facts, const BrowserAbilities& browser) {
    if (facts.container.starts_with("mov,mp4")) return true;
    if (facts.container == "matroska,webm") return facts.extension == ".webm" || browser.matroska;
    return false;
}

}  // namespace

PlayDecision decidePlayback(const StreamFacts& facts, const BrowserAbilities& browser) {
    if (!pictureDecodes(facts, browser)) return {PlayMode::transcode, true};
    if (containerPlays(facts, browser) && soundPlaysInFiles(facts.audioCodec, browser))
        return {PlayMode::asItIs, false};
    return {PlayMode::remux, !soundPlaysInSegments(facts.audioCodec, browser)};
}

PlayDecision decidePlayback(const StreamFacts& facts, const BrowserAbilities& browser, std::size_t track) {
    if (track >= facts.soundTracks.size() || track == facts.soundPlayedFirst) return decidePlayback(facts, browser);
    StreamFacts chosen = facts;
    chosen.audioCodec = facts.soundTracks[track].codec;
    const PlayDecision decision = decidePlayback(chosen, browser);
    if (decision.mode != PlayMode::asItIs) return decision;
    return {PlayMode::remux, !soundPlaysInSegments(chosen.audioCodec, browser)};
}
