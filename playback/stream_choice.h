#pragma once
// Which of a file's streams a player plays.
extern "C" {
#include <libavformat/avformat.h>
}

// The stream of `type` that a player picks: the one marked default, else the
// first. A cover picture is not the video's picture. Null when there is none.
AVStream* streamPlayedFirst(const AVFormatContext& format, AVMediaType type);
