#pragma once
// Decoding the picture a still is made of: a key frame of the video's best
// video stream at a chosen second, passing over black or flat pictures.
#include <atomic>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/regular_file.h"
#include "thumbs/ffmpeg_handles.h"
#include "thumbs/video_input.h"

// The decoded picture and how it is meant to be shown.
struct StillFrame {
    FrameHandle frame;          // null when no picture came
    std::string failure;        // why none came (UTF-8, for the user)
    int clockwiseTurns = 0;     // quarter turns the picture is shown rotated by
    AVRational sampleAspect{};  // 0/0 or 0/1 when unknown (square pixels)
};

// Reads the video with container demuxers only, so no playlist or list of files can make
// FFmpeg read any other file. Seeks backwards to `seconds` after the start
// (0, a negative value or a time past the end: the start) and decodes the
// key frame there; a nearly uniform picture (black, white, one colour) is
// passed over for one of the next few key frames that shows something.
// A null frame comes with the reason.
StillFrame decodeStillFrame(const VideoFile& video, std::int32_t seconds, const CaptureLimits& limits);
