#pragma once
// Reads a video's streams with FFmpeg: its container, its picture and the
// sound track that plays first.
#include <filesystem>
#include <optional>
#include <string>

#include "playback/stream_facts.h"

struct ProbeResult {
    std::optional<StreamFacts> facts;
    std::string failure;  // why the file cannot be played (UTF-8, for the user); empty with facts
};

ProbeResult probeStreams(const std::filesystem::path& video);
