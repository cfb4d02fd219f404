// ThumbnailPool::captureFrame: one video in, one PNG still out.
#include <chrono>
#include <string>

#include "config/text_conversion.h"
#include "platform/debug_output.h"
#include "platform/paths.h"
#include "thumbs/png_encode.h"
#include "thumbs/rgb_image.h"
#include "thumbs/still_frame_decoder.h"
#include "thumbs/thumbnail_pool.h"

namespace {

// Opening, probing and decoding one video together never take longer.
constexpr std::chrono::seconds captureTimeLimit{11};

}  // namespace

PngBytes ThumbnailPool::captureFrame(const Path& videoPath) const {
    platform::debugOutput(L"[FFmpeg] decode: " + fromUtf8(platform::utf8FromPath(videoPath)) + L"\n");

    const CaptureLimits limits{stopRequested, std::chrono::steady_clock::now() + captureTimeLimit};
    const StillFrame still = decodeStillFrame(videoPath, captureSeconds, limits);
    // A capture cut short by a stop leaves nothing: the video is rendered
    // at the next Start.
    if (!still.frame || stopRequested) return {};
    const RgbImage image = fitToRgb(*still.frame, {still.clockwiseTurns, still.sampleAspect}, width, height);
    if (!image.pixels || stopRequested) return {};
    PngBytes png = encodePng(image);
    if (stopRequested) return {};
    return png;
}
