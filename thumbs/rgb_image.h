#pragma once
// Turning a decoded frame into a packed RGB picture of a fixed size.
#include <cstdint>

#include "thumbs/ffmpeg_handles.h"

// 8-bit RGB, rows top to bottom, each row exactly 3 * width bytes.
struct RgbImage {
    BufferHandle pixels;
    int width = 0;
    int height = 0;
    int stride() const { return 3 * width; }
};

// How a frame is meant to be shown.
struct PictureShape {
    int clockwiseTurns = 0;     // quarter turns, 0 to 3
    AVRational sampleAspect{};  // width of a pixel over its height; 0/x when unknown
};

// Scales `frame` (bilinear) to the largest picture of its display shape
// (rotation and pixel aspect applied) that fits width x height, centred on
// black. A picture within 3 % of the still's shape fills it exactly.
// Empty pixels when the frame cannot be converted.
RgbImage fitToRgb(const AVFrame& frame, PictureShape shape, int width, int height);
