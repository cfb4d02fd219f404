#pragma once
// One HLS segment's MPEG-TS, written into memory, what an encoder hands to
// it, and the checks that turn FFmpeg's error codes into a reason the
// segment failed.
#include <functional>
#include <memory>
#include <string>

#include "thumbs/ffmpeg_handles.h"

struct OutputFreer {
    void operator()(AVFormatContext* format) const;
};
using OutputHandle = std::unique_ptr<AVFormatContext, OutputFreer>;

// Throws CaptureFailure with `what` and FFmpeg's text when `result` is an error.
void check(int result, const char* what);

// MPEG-TS into `bytes`, the video's timestamps kept as they are.
OutputHandle openOutput(std::string& bytes);

// A stream of `output` that carries `input`'s packets as they are.
AVStream* copiedStream(AVFormatContext& output, const AVStream& input);

// A stream of `output` that carries what `encoder` makes.
AVStream* encodedStream(AVFormatContext& output, const AVCodecContext& encoder);

// Where an encoder's packets go, their times in its time base.
using PacketSink = std::function<void(AVPacket&)>;

// Sends `frame` (null: the end) to `encoder` and each packet it gives back
// to `sink`; throws CaptureFailure with `what` when the encoder fails.
void encodeFrame(AVCodecContext& encoder, const AVFrame* frame, const char* what, const PacketSink& sink);

// Writes `packet`, whose times are in `from`'s time base, as stream `to`.
void writePacket(AVFormatContext& output, AVPacket& packet, AVRational from, int to);
