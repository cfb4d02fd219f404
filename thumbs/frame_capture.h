#pragma once
// One video in, one PNG still out, or the reason there is none.
#include <atomic>
#include <cstdint>
#include <filesystem>
#include <string>

#include "platform/regular_file.h"
#include "thumbs/png_bytes.h"

// Every still has this size; the picture is fitted in on black.
inline constexpr int kStillWidth = 640;
inline constexpr int kStillHeight = 360;

struct StillCapture {
    PngBytes png;         // empty on failure
    std::string failure;  // why there is no still (UTF-8, for the user); empty on success
};

// Decodes the key frame at `seconds` of the opened `file` (passing over
// flat pictures) and encodes it as a kStillWidth x kStillHeight PNG. Gives
// up at once, with no still, when `stop` is set, and when the capture runs
// past its time limit. `video` names the file.
StillCapture captureStill(const platform::RegularFileReader& file, const std::filesystem::path& video,
                          std::int32_t seconds, const std::atomic<bool>& stop);

// The same for the regular file at `video` (FIFOs, devices and sockets are refused).
StillCapture captureStill(const std::filesystem::path& video, std::int32_t seconds, const std::atomic<bool>& stop);
