#pragma once
// Decoding the first picture of a video's best video stream.
#include <cstdint>
#include <string>

#include "thumbs/ffmpeg_handles.h"

// Opens the video at `url` (a UTF-8 path), seeks backwards to
// `offsetMicroseconds` on its best video stream and returns the first frame
// the decoder delivers from there, draining the decoder at the end of the
// file (or at once after a first key frame that it holds back). Gives up
// after 11 seconds of decoding. Null when no frame came.
FrameHandle decodeFirstFrame(const std::string& url, std::int32_t offsetMicroseconds);
