#pragma once
// How a video reaches the browser that asked for it: as the file is, repackaged
// with its picture copied ("remux"), or with its picture converted to H.264
// ("transcode"). The last two come as HLS, the one delivery every TV browser
// family plays.
#include "playback/stream_facts.h"

// What the page's browser says it plays beyond what every browser the page
// supports plays (H.264 up to 8 bits, VP8, VP9 and AV1 pictures; AAC, MP3,
// Opus and Vorbis sound; MP4 and WebM files); from its canPlayType answers.
struct BrowserAbilities {
    bool hevc = false;
    bool matroska = false;
    bool ac3 = false;  // E-AC-3 too
};

enum class PlayMode { asItIs, remux, transcode };

struct PlayDecision {
    PlayMode mode = PlayMode::asItIs;
    bool convertSound = false;  // the sound goes to AAC stereo

    bool operator==(const PlayDecision&) const = default;
};

PlayDecision decidePlayback(const StreamFacts& facts, const BrowserAbilities& browser);

// The same with sound track `track` of facts.soundTracks instead of the one
// played first. The browser plays a file's first track only, so another
// one needs the file repackaged.
PlayDecision decidePlayback(const StreamFacts& facts, const BrowserAbilities& browser, std::size_t track);
