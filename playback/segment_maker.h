#pragma once
// One HLS segment of a video, as MPEG-TS: the picture copied, the sound
// copied or converted to AAC stereo; the sound track chosen, or the one
// played first (`soundTrack` negative). Timestamps are the video's own, so one
// segment plays on where the one before it ended.
#include <cstddef>
#include <filesystem>
#include <string>

#include "platform/regular_file.h"
#include "playback/segment_plan.h"

struct SegmentBytes {
    std::string bytes;    // MPEG-TS; empty on failure
    std::string failure;  // why there is none
};

SegmentBytes remuxSegment(const platform::RegularFileReader& file, const std::filesystem::path& video,
                          const SegmentPlan& plan, std::size_t segment, bool convertSound, int soundTrack = -1);
