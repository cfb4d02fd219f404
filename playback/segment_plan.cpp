#include "playback/segment_plan.h"

#include <cmath>
#include <cstdio>

namespace {

std::vector<double> everySegmentSeconds(double duration) {
    std::vector<double> starts{0};
    while (starts.back() + kSegmentSeconds < duration - 0.5) starts.push_back(starts.back() + kSegmentSeconds);
    return starts;
}

// A segment shorter than half a second at the end is joined to the one before.
std::vector<double> atKeyFrames(const std::vector<double>& keyFrames, double duration) {
    std::vector<double> starts{0};
    for (const double keyFrame : keyFrames)
        if (keyFrame >= starts.back() + kSegmentSeconds && keyFrame < duration - 0.5) starts.push_back(keyFrame);
    return starts;
}

std::string seconds(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", value);
    return text;
}

}  // namespace

SegmentPlan planSegments(const std::vector<double>& keyFrames, double duration) {
    return {keyFrames.empty() ? everySegmentSeconds(duration) : atKeyFrames(keyFrames, duration), duration};
}

std::string vodPlaylist(const SegmentPlan& plan, const std::string& segmentAddress) {
    double longest = 0;
    for (std::size_t k = 0; k < plan.starts.size(); ++k) longest = std::max(longest, plan.end(k) - plan.starts[k]);
    std::string playlist = "#EXTM3U\n#EXT-X-VERSION:3\n#EXT-X-PLAYLIST-TYPE:VOD\n#EXT-X-TARGETDURATION:" +
                           std::to_string(static_cast<int>(std::ceil(longest))) + "\n#EXT-X-MEDIA-SEQUENCE:0\n";
    for (std::size_t k = 0; k < plan.starts.size(); ++k)
        playlist +=
            "#EXTINF:" + seconds(plan.end(k) - plan.starts[k]) + ",\n" + segmentAddress + std::to_string(k) + "\n";
    return playlist + "#EXT-X-ENDLIST\n";
}
