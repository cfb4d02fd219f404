#pragma once
// What a video file holds, as far as choosing how a browser gets to play it.
#include <string>
#include <vector>

// One sound track or text subtitle stream, as its container describes it.
struct TrackFacts {
    int streamIndex = -1;
    std::string codec;     // FFmpeg's codec name
    std::string language;  // the container's tag, such as "chi" or "eng"; often empty
    std::string title;
};

struct StreamFacts {
    std::string container;   // FFmpeg's demuxer names, such as "mov,mp4,m4a,3gp,3g2,mj2" or "avi"
    std::string extension;   // the file's, lower case with its dot: ".webm" tells WebM from Matroska
    std::string videoCodec;  // FFmpeg's codec name: "h264", "hevc", "mpeg4", "rv40", ...
    int videoBitDepth = 8;
    int width = 0;
    int height = 0;
    std::string audioCodec;  // of the sound track that plays first; empty for a silent video
    double durationSeconds = 0;
    std::vector<double> keyFrames;          // seconds from the picture's start, where a copied picture can be cut
    std::vector<TrackFacts> soundTracks;    // in the file's order
    std::size_t soundPlayedFirst = 0;       // the one of soundTracks that audioCodec describes
    std::vector<TrackFacts> textSubtitles;  // SRT, ASS, mov_text, WebVTT, ...: what the page can show
    bool pictureSubtitles = false;          // PGS, VobSub, DVB: what it leaves out
};
