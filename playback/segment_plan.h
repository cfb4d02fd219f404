#pragma once
// How a video is cut into HLS segments, and the VOD playlist that lists them.
#include <string>
#include <vector>

inline constexpr double kSegmentSeconds = 4.0;

struct SegmentPlan {
    std::vector<double> starts;  // seconds from the video's start; the first is 0
    double duration = 0;         // of the whole video
    double end(std::size_t segment) const { return segment + 1 < starts.size() ? starts[segment + 1] : duration; }
};

// Segments of about kSegmentSeconds that each begin at one of `keyFrames`
// (seconds, in order), so a copied picture starts each with a whole frame;
// with no key frames, segments of exactly kSegmentSeconds (a converted
// picture gets a key frame at each start).
SegmentPlan planSegments(const std::vector<double>& keyFrames, double duration);

// The playlist, written whole up front: segment k's address is
// `segmentAddress` followed by k.
std::string vodPlaylist(const SegmentPlan& plan, const std::string& segmentAddress);
