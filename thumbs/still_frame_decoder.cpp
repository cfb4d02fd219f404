#include "thumbs/still_frame_decoder.h"

#include <cmath>
#include <cstdio>
#include <memory>
#include <new>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

extern "C" {
#include <libavutil/display.h>
#include <libavutil/pixdesc.h>
}

#include "platform/regular_file.h"

namespace {

using Clock = std::chrono::steady_clock;

// No capture reads more packets than this, whatever the file holds.
constexpr int packetLimit = 20'000;

// A picture whose luma varies less than this (standard deviation over a
// grid of samples, 0 to 255) shows nothing worth a still.
constexpr double flatLumaSpread = 8.0;
// How far the search for a picture with content goes past a flat one.
constexpr int keyFramesTried = 4;
constexpr std::chrono::seconds searchTime{2};

void openDecoder(VideoInput& input) {
    input.streamIndex = av_find_best_stream(input.format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (input.streamIndex < 0) failCapture("no video stream");
    const AVCodecParameters* parameters = input.stream()->codecpar;
    if (parameters->width > longestSide || parameters->height > longestSide ||
        std::int64_t{parameters->width} * parameters->height > pixelBudget)
        failCapture("the picture is too large (" + std::to_string(parameters->width) + " × " +
                    std::to_string(parameters->height) + ")");
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) failCapture(std::string("no decoder for ") + avcodec_get_name(parameters->codec_id));
    input.decoder.reset(avcodec_alloc_context3(codec));
    if (!input.decoder) throw std::bad_alloc();
    if (const int copied = avcodec_parameters_to_context(input.decoder.get(), parameters); copied < 0)
        failCapture("the decoder cannot be set up (" + ffmpegError(copied) + ")");
    // Decoders that hold a picture back until the next one comes (MPEG-1 and
    // 2) give it out at once; the first picture is the same either way.
    input.decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
    AVDictionary* options = decoderOptions();
    const int opened = avcodec_open2(input.decoder.get(), codec, &options);
    av_dict_free(&options);
    if (opened < 0) failCapture("the decoder cannot be opened (" + ffmpegError(opened) + ")");
}

// The file is read from its start on each opening; `path` names it only.
VideoInput openVideo(const VideoFile& video, const CaptureLimits& limits) {
    VideoInput input = openVideoInput(video, limits, StreamProbe::onlyWhereTheHeaderIsSilent);
    openDecoder(input);
    return input;
}

// Where to seek, in the stream's time base: `seconds` after the stream's
// start, or (for the start itself) 5 microseconds, which lands on the first
// key frame.
std::int64_t seekTarget(const VideoInput& input, std::int32_t seconds) {
    const AVRational microseconds{1, 1'000'000};
    const AVStream* stream = input.stream();
    const std::int64_t duration = input.format->duration;  // microseconds
    const std::int64_t wanted = std::int64_t{seconds} * 1'000'000;
    const bool pastTheEnd = duration != AV_NOPTS_VALUE && duration > 0 && wanted >= duration;
    if (seconds <= 0 || pastTheEnd) return av_rescale_q(5, microseconds, stream->time_base);
    const std::int64_t start = stream->start_time != AV_NOPTS_VALUE ? stream->start_time : 0;
    return start + av_rescale_q(wanted, microseconds, stream->time_base);
}

bool seekBackwardsTo(VideoInput& input, std::int32_t seconds) {
    if (av_seek_frame(input.format.get(), input.streamIndex, seekTarget(input, seconds), AVSEEK_FLAG_BACKWARD) < 0)
        return false;
    avcodec_flush_buffers(input.decoder.get());
    return true;
}

// The video, its decoder, and the reading position at `seconds`.
VideoInput openAt(const VideoFile& video, std::int32_t seconds, const CaptureLimits& limits) {
    VideoInput input = openVideo(video, limits);
    if (!seekBackwardsTo(input, seconds)) {
        // A failed seek can leave the demuxer anywhere in the file, where the
        // next frame is predicted from pictures never decoded. A fresh input
        // reads from the start instead.
        input = openVideo(video, limits);
    }
    return input;
}

// Nothing is shown before a stream's first key frame, yet a decoder that
// reorders frames (H.264 or MPEG-4 with B-frames) holds that picture back
// until it has decoded the two or three frames after it. When the first
// packet of the video stream is a key frame that the decoder holds back,
// telling it that the stream ends there gives the picture out at once.
enum class KeyFrame { drainAtOnce, decodeOn };

struct FirstFrame {
    FrameHandle frame;
    bool drainedAtKeyFrame = false;  // and got nothing: read the stream again
    int error = 0;                   // the decoder's last complaint, when no frame came
};

// Keeps an error of the decoder's as `last`; "give more input" and the end
// of the stream are none.
void noteDecoderError(int code, int& last) {
    if (code < 0 && code != AVERROR(EAGAIN) && code != AVERROR_EOF) last = code;
}

bool receiveAfterDrain(AVCodecContext* decoder, AVFrame* frame) {
    return avcodec_send_packet(decoder, nullptr) == 0 && avcodec_receive_frame(decoder, frame) == 0;
}

// Reads packets from the current position until the decoder gives a frame.
FirstFrame receiveFirstFrame(VideoInput& input, KeyFrame keyFrame, const CaptureLimits& limits) {
    PacketHandle packet(av_packet_alloc());
    FrameHandle frame(av_frame_alloc());
    if (!packet || !frame) return {};
    AVCodecContext* decoder = input.decoder.get();
    bool firstVideoPacket = true;
    int error = 0;
    for (int packets = 0; packets < packetLimit && av_read_frame(input.format.get(), packet.get()) >= 0; ++packets) {
        if (limits.reached()) return {};
        const bool video = packet->stream_index == input.streamIndex;
        const bool drainHere =
            video && firstVideoPacket && keyFrame == KeyFrame::drainAtOnce && (packet->flags & AV_PKT_FLAG_KEY);
        firstVideoPacket = firstVideoPacket && !video;
        const int sending = video ? avcodec_send_packet(decoder, packet.get()) : AVERROR(EAGAIN);
        av_packet_unref(packet.get());
        const bool sent = sending == 0;
        noteDecoderError(sending, error);
        const int receiving = sent ? avcodec_receive_frame(decoder, frame.get()) : AVERROR(EAGAIN);
        if (receiving == 0) return {std::move(frame)};
        noteDecoderError(receiving, error);
        if (sent && drainHere) {
            // A field waiting for its pair, or a frame the file marks to be
            // dropped, gives nothing here.
            if (receiveAfterDrain(decoder, frame.get())) return {std::move(frame)};
            return {nullptr, true};
        }
    }
    // At the end of the file the decoder may still hold the frames it was
    // keeping back for reordering; a short video may have no others.
    if (!limits.reached() && receiveAfterDrain(decoder, frame.get())) return {std::move(frame)};
    return {nullptr, false, error};
}

// The first picture the decoder delivers from `seconds` on, and the input
// positioned after it.
std::pair<VideoInput, FrameHandle> decodeFirstFrame(const VideoFile& video, std::int32_t seconds,
                                                    const CaptureLimits& limits) {
    VideoInput input = openAt(video, seconds, limits);
    FirstFrame first = receiveFirstFrame(input, KeyFrame::drainAtOnce, limits);
    if (first.drainedAtKeyFrame) {
        // The key frame alone gave no picture, and a drained decoder takes no
        // more packets: read the stream again, decoding on past the key frame.
        input = openAt(video, seconds, limits);
        first = receiveFirstFrame(input, KeyFrame::decodeOn, limits);
    }
    if (!first.frame)
        failCapture("no picture could be decoded" +
                    (first.error ? " (" + ffmpegError(first.error) + ")" : std::string()));
    return {std::move(input), std::move(first.frame)};
}

// How much the picture's brightness varies: the standard deviation of its
// luma over a grid of samples. Pictures without a luma plane (RGB, palette)
// are not judged and count as having content.
double lumaSpread(const AVFrame& frame) {
    const AVPixFmtDescriptor* format = av_pix_fmt_desc_get(static_cast<AVPixelFormat>(frame.format));
    if (!format || (format->flags & (AV_PIX_FMT_FLAG_RGB | AV_PIX_FMT_FLAG_PAL)) || format->comp[0].plane != 0 ||
        !frame.data[0] || frame.width <= 0 || frame.height <= 0)
        return flatLumaSpread * 2;
    const int depth = format->comp[0].depth;
    const int step = format->comp[0].step;
    constexpr int samples = 48;
    double sum = 0, squares = 0;
    for (int row = 0; row < samples; ++row) {
        const std::uint8_t* line =
            frame.data[0] + static_cast<std::ptrdiff_t>(row * (frame.height - 1) / (samples - 1)) * frame.linesize[0];
        for (int column = 0; column < samples; ++column) {
            const std::uint8_t* at = line +
                                     static_cast<std::ptrdiff_t>(column * (frame.width - 1) / (samples - 1)) * step +
                                     format->comp[0].offset;
            const int raw = depth > 8 ? (at[0] | (at[1] << 8)) >> (depth - 8) : at[0];
            sum += raw;
            squares += double(raw) * raw;
        }
    }
    const double count = samples * samples;
    const double mean = sum / count;
    return std::sqrt(std::max(0.0, squares / count - mean * mean));
}

// The next key frame after the reading position, decoded on its own.
FrameHandle nextKeyFrame(VideoInput& input, const CaptureLimits& limits, Clock::time_point searchEnd) {
    PacketHandle packet(av_packet_alloc());
    FrameHandle frame(av_frame_alloc());
    if (!packet || !frame) return nullptr;
    AVCodecContext* decoder = input.decoder.get();
    for (int packets = 0; packets < packetLimit && av_read_frame(input.format.get(), packet.get()) >= 0; ++packets) {
        if (limits.reached() || Clock::now() >= searchEnd) return nullptr;
        const bool key = packet->stream_index == input.streamIndex && (packet->flags & AV_PKT_FLAG_KEY);
        if (key) {
            avcodec_flush_buffers(decoder);
            const bool sent = avcodec_send_packet(decoder, packet.get()) == 0;
            const bool received =
                sent && (avcodec_receive_frame(decoder, frame.get()) == 0 || receiveAfterDrain(decoder, frame.get()));
            avcodec_flush_buffers(decoder);
            if (received) return frame;
        }
        av_packet_unref(packet.get());
    }
    return nullptr;
}

// Keeps `frame` unless it is flat; then looks at the next key frames for the
// first with content, keeping the liveliest seen when none has any.
FrameHandle passOverFlatPictures(VideoInput& input, FrameHandle frame, const CaptureLimits& limits) {
    double bestSpread = lumaSpread(*frame);
    const Clock::time_point searchEnd = Clock::now() + searchTime;
    for (int tried = 0; bestSpread < flatLumaSpread && tried < keyFramesTried; ++tried) {
        FrameHandle next = nextKeyFrame(input, limits, searchEnd);
        if (!next) break;
        const double spread = lumaSpread(*next);
        if (spread > bestSpread) {
            bestSpread = spread;
            frame = std::move(next);
        }
    }
    return frame;
}

}  // namespace

StillFrame decodeStillFrame(const VideoFile& video, std::int32_t seconds, const CaptureLimits& limits) {
    StillFrame still;
    try {
        auto [input, frame] = decodeFirstFrame(video, seconds, limits);
        frame = passOverFlatPictures(input, std::move(frame), limits);
        still.clockwiseTurns = clockwiseTurnsOf(*input.stream());
        still.sampleAspect = av_guess_sample_aspect_ratio(input.format.get(), input.stream(), frame.get());
        still.frame = std::move(frame);
    } catch (const CaptureFailure& failure) {
        still.failure = failure.what();
    }
    return still;
}
