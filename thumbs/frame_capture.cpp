// ThumbnailPool::captureFrame: one video in, one PNG still out.
#include <string>

#include "config/text_conversion.h"
#include "platform/debug_output.h"
#include "thumbs/atomic_file_write.h"
#include "thumbs/first_frame_decoder.h"
#include "thumbs/png_encode.h"
#include "thumbs/rgb_image.h"
#include "thumbs/thumbnail_pool.h"

namespace {

// FFmpeg takes UTF-8 file names everywhere. On POSIX this is the name's own
// bytes, whatever they are; on Windows the UTF-8 form of the wide path.
std::string ffmpegFileName(const std::filesystem::path& path) {
    const std::u8string utf8 = path.u8string();
    return std::string(utf8.begin(), utf8.end());
}

}  // namespace

bool ThumbnailPool::captureFrame(const Path& videoPath, const Path& pngPath) const {
    const std::string fileName = ffmpegFileName(videoPath);
    platform::debugOutput(L"[FFmpeg] decode: " + fromUtf8(fileName) + L"\n");

    const FrameHandle frame = decodeFirstFrame(fileName, captureOffset);
    if (!frame) return false;
    const RgbImage image = scaleToRgb(*frame, width, height);
    if (!image.pixels) return false;
    const PngBytes png = encodePng(image);
    return !png.view().empty() && writeFileAtomically(pngPath, png.view());
}
