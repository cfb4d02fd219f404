#pragma once
// A video converted for browsers that cannot decode its picture: H.264 at
// most 720 lines high with AAC stereo sound, cut into the plan's segments of
// equal length, each beginning with a key frame. Timestamps are the video's
// own, so one segment plays on where the one before it ended, whichever
// segment the conversion began at.
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>

#include "platform/regular_file.h"
#include "playback/segment_plan.h"

// Takes segment k's MPEG-TS; returns false to end the conversion.
using SegmentDone = std::function<bool(std::size_t segment, std::string&& bytes)>;

// Converts `video`, opened as `file`, with sound track `soundTrack` (the one
// played first when negative), from segment `first` on, handing over
// each segment as it is finished, until the video ends, `done` says to end
// or `stop` is set. Throws CaptureFailure (a std::runtime_error) with the
// reason when the video cannot be converted.
void transcodeSegments(const platform::RegularFileReader& file, const std::filesystem::path& video,
                       const SegmentPlan& plan, std::size_t first, const std::atomic<bool>& stop,
                       const SegmentDone& done, int soundTrack = -1);
