#pragma once
// Reads a video's streams with FFmpeg, through the same container demuxers
// and limits as the stills: its container, its picture and the sound track
// that plays first.
#include <filesystem>
#include <optional>
#include <string>

#include "platform/regular_file.h"
#include "playback/stream_facts.h"

struct ProbeResult {
    std::optional<StreamFacts> facts;
    std::string failure;  // why the file cannot be played (UTF-8, for the user); empty with facts
};

// `video` names the opened `file`; its extension tells WebM from Matroska.
ProbeResult probeStreams(const platform::RegularFileReader& file, const std::filesystem::path& video);

// The same for the regular file at `video` (FIFOs, devices and sockets are refused).
ProbeResult probeStreams(const std::filesystem::path& video);
