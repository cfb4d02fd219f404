#pragma once
// A video's picture decoded, scaled to at most 720 lines, turned upright
// where a phone recorded it on its side, and encoded as H.264 by x264, for
// pictures that browsers cannot decode.
#include <cstdint>
#include <functional>

#include "playback/ts_output.h"
#include "thumbs/ffmpeg_handles.h"

inline constexpr int kConvertedLines = 720;

// The converted picture's size: `kConvertedLines` high at most, never larger
// than the source, the shape kept, both sides even as H.264 needs.
struct PictureSize {
    int width = 0;
    int height = 0;
};
PictureSize convertedSize(int width, int height);

class PictureConverter {
public:
    // Each decoded frame; its best_effort_timestamp counts in the input's time base.
    using OnFrame = std::function<void(AVFrame&)>;
    // Throws CaptureFailure when the picture cannot be decoded or encoded.
    PictureConverter(const AVFormatContext& format, const AVStream& input);

    // What an output stream for the converted picture is made from.
    const AVCodecContext& encoder() const { return *m_encoder; }

    // One packet of the input's picture; null at the end.
    void decode(const AVPacket* packet, const OnFrame& onFrame);
    // One decoded frame, a key frame when `key`; null at the end, which
    // empties the encoder. The packets' times count in the input's time base.
    void encode(const AVFrame* frame, bool key, const PacketSink& emit);

private:
    CodecHandle m_decoder;
    CodecHandle m_encoder;
    int m_turns;  // clockwise quarter turns from the decoded picture to the shown one
    ScalerHandle m_scaler;
    FrameHandle m_scaled;
    FrameHandle m_turned;  // for a picture recorded on its side
    std::int64_t m_lastPts = AV_NOPTS_VALUE;
};
