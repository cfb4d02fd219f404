#pragma once
// Text subtitles to WebVTT, which browsers show over a video from a <track>:
// FFmpeg's subtitle decoders read them, and its WebVTT encoder and muxer
// write them. Of ASS styling only bold, italics and underlining are kept.
#include <filesystem>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "platform/regular_file.h"

// The subtitle file `text` (UTF-8), its format named by its extension
// (".srt", ".ass", ".ssa" or ".vtt", in any case). Nullopt when it cannot be read.
std::optional<std::string> sidecarWebVtt(const std::string& text, std::string_view extension);

// The text subtitle streams `streams` (their indexes) of `video`, opened as
// `file`, read in one pass over the file, their times counted from the
// file's start as players count them. Throws CaptureFailure when
// the file cannot be read.
std::map<int, std::string> embeddedWebVtt(const platform::RegularFileReader& file, const std::filesystem::path& video,
                                          const std::vector<int>& streams);
