#pragma once
// Where a video's picture can be cut without decoding: its key frames.
extern "C" {
#include <libavformat/avformat.h>
}
#include <cstdint>
#include <vector>

// The key frames of `picture` in seconds from the stream's start, in order:
// from the container's index where it has one (MP4, AVI, Matroska's cues,
// which a seek makes it read), else from one pass over the packet headers.
// Leaves the file read from its start again.
std::vector<double> keyFrameTimes(AVFormatContext& format, AVStream& picture);

// A packet's presentation time, or its decoding time when it has none.
inline std::int64_t packetTime(const AVPacket& packet) {
    return packet.pts != AV_NOPTS_VALUE ? packet.pts : packet.dts;
}

// The stream's first timestamp, 0 when it has none.
std::int64_t streamStart(const AVStream& stream);

// Seconds from the picture's first timestamp to `timestamp`, which counts in
// `timeBase`: where a packet or frame of any stream falls in the
// segment plan.
double secondsFromPictureStart(std::int64_t timestamp, AVRational timeBase, const AVStream& picture);
