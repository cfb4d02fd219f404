#include "thumbs/frame_capture.h"

#include <chrono>
#include <memory>
#include <string>

#include "platform/debug_output.h"
#include "platform/paths.h"
#include "platform/text_codec.h"
#include "thumbs/png_encode.h"
#include "thumbs/rgb_image.h"
#include "thumbs/still_frame_decoder.h"

namespace {

// Opening, probing and decoding one video together never take longer.
constexpr std::chrono::seconds captureTimeLimit{11};

void announce(const std::filesystem::path& video) {
    platform::debugOutput(L"[FFmpeg] decode: " + platform::utf8ToWide(platform::utf8FromPath(video)) + L"\n");
}

StillCapture failed(std::string reason) {
    return {{}, std::move(reason)};
}

// Why a capture whose limits were reached gave up, whatever step noticed.
std::string limitReason(const std::atomic<bool>& stop) {
    return stop ? "stopped" : "took longer than " + std::to_string(captureTimeLimit.count()) + " s";
}

}  // namespace

StillCapture captureStill(const platform::RegularFileReader& file, const std::filesystem::path& video,
                          std::int32_t seconds, const std::atomic<bool>& stop) {
    announce(video);
    const CaptureLimits limits{stop, std::chrono::steady_clock::now() + captureTimeLimit};
    StillFrame still = decodeStillFrame({file, video}, seconds, limits);
    if (!still.frame) return failed(limits.reached() ? limitReason(stop) : std::move(still.failure));
    // A capture cut short by a stop leaves nothing: the video is rendered
    // at the next Start.
    if (stop) return failed("stopped");
    const RgbImage image =
        fitToRgb(*still.frame, {still.clockwiseTurns, still.sampleAspect}, kStillWidth, kStillHeight);
    if (!image.pixels) return failed("the picture cannot be scaled");
    if (stop) return failed("stopped");
    PngBytes png = encodePng(image);
    if (png.view().empty()) return failed("out of memory for the PNG");
    if (stop) return failed("stopped");
    return {std::move(png), {}};
}

StillCapture captureStill(const std::filesystem::path& video, std::int32_t seconds, const std::atomic<bool>& stop) {
    const std::unique_ptr<platform::RegularFileReader> file = platform::RegularFileReader::open(video);
    if (!file) {
        announce(video);
        return failed("not a regular file that may be read");
    }
    return captureStill(*file, video, seconds, stop);
}
