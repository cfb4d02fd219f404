#pragma once
// Which of a file's streams a player plays.
extern "C" {
#include <libavformat/avformat.h>
}
#include <vector>

// The stream of `type` that a player picks: the one marked default, else the
// first. A cover picture is not the video's picture. Null when there is none.
AVStream* streamPlayedFirst(const AVFormatContext& format, AVMediaType type);

// The sound tracks, in the file's order.
std::vector<AVStream*> soundTracksOf(const AVFormatContext& format);

// Sound track `track` of soundTracksOf(format); the one played first when
// `track` is negative or there is no such track.
AVStream* chosenSoundTrack(const AVFormatContext& format, int track);
