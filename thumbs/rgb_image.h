#pragma once
// Scaling a decoded frame to a packed RGB picture of a fixed size.
#include <cstdint>

#include "thumbs/ffmpeg_handles.h"

// 8-bit RGB, rows top to bottom, each row exactly 3 * width bytes.
struct RgbImage {
    BufferHandle pixels;
    int width = 0;
    int height = 0;
    int stride() const { return 3 * width; }
};

// Stretches the whole of `frame` to width x height (bilinear, aspect ratio
// not kept). The scaler is made from the frame's own size and pixel format.
// Empty pixels when the frame cannot be converted.
RgbImage scaleToRgb(const AVFrame& frame, int width, int height);
