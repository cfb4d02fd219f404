#include "thumbs/first_frame_decoder.h"

#include <chrono>
#include <optional>

namespace {

// A stuck or endless stream cannot hold a worker for longer than this.
constexpr std::chrono::seconds decodeTimeLimit{11};

struct VideoInput {
    FormatHandle format;
    int streamIndex = -1;
    CodecHandle decoder;
};

// FFmpeg may open files only: a playlist saved under a video's name (HLS,
// ffconcat) cannot make it fetch a URL or use any protocol but "file".
std::optional<VideoInput> openVideo(const std::string& url) {
    AVFormatContext* opened = nullptr;
    AVDictionary* options = nullptr;
    const bool isOpen = av_dict_set(&options, "protocol_whitelist", "file", 0) >= 0 &&
                        avformat_open_input(&opened, url.c_str(), nullptr, &options) == 0;
    av_dict_free(&options);
    if (!isOpen) return std::nullopt;
    VideoInput input;
    input.format.reset(opened);
    if (avformat_find_stream_info(opened, nullptr) < 0) return std::nullopt;
    input.streamIndex = av_find_best_stream(opened, AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
    if (input.streamIndex < 0) return std::nullopt;
    const AVCodecParameters* parameters = opened->streams[input.streamIndex]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(parameters->codec_id);
    if (!codec) return std::nullopt;
    input.decoder.reset(avcodec_alloc_context3(codec));
    if (!input.decoder || avcodec_parameters_to_context(input.decoder.get(), parameters) < 0) return std::nullopt;
    // Decoders that hold a picture back until the next one comes (MPEG-1 and
    // 2) give it out at once; the first picture is the same either way.
    input.decoder->flags |= AV_CODEC_FLAG_LOW_DELAY;
    if (avcodec_open2(input.decoder.get(), codec, nullptr) < 0) return std::nullopt;
    return input;
}

bool seekBackwardsTo(VideoInput& input, std::int32_t offsetMicroseconds) {
    const AVRational microseconds{1, 1'000'000};
    const AVRational streamTimeBase = input.format->streams[input.streamIndex]->time_base;
    const std::int64_t target = av_rescale_q(offsetMicroseconds, microseconds, streamTimeBase);
    if (av_seek_frame(input.format.get(), input.streamIndex, target, AVSEEK_FLAG_BACKWARD) < 0) return false;
    avcodec_flush_buffers(input.decoder.get());
    return true;
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
};

bool receiveAfterDrain(AVCodecContext* decoder, AVFrame* frame) {
    return avcodec_send_packet(decoder, nullptr) == 0 && avcodec_receive_frame(decoder, frame) == 0;
}

// Reads packets from the current position until the decoder gives a frame.
FirstFrame receiveFirstFrame(VideoInput& input, KeyFrame keyFrame) {
    PacketHandle packet(av_packet_alloc());
    FrameHandle frame(av_frame_alloc());
    if (!packet || !frame) return {};
    AVCodecContext* decoder = input.decoder.get();
    bool firstVideoPacket = true;
    const auto start = std::chrono::steady_clock::now();
    while (av_read_frame(input.format.get(), packet.get()) >= 0) {
        if (std::chrono::steady_clock::now() - start >= decodeTimeLimit) return {};
        const bool video = packet->stream_index == input.streamIndex;
        const bool drainHere =
            video && firstVideoPacket && keyFrame == KeyFrame::drainAtOnce && (packet->flags & AV_PKT_FLAG_KEY);
        firstVideoPacket = firstVideoPacket && !video;
        const bool sent = video && avcodec_send_packet(decoder, packet.get()) == 0;
        av_packet_unref(packet.get());
        if (sent && avcodec_receive_frame(decoder, frame.get()) == 0) return {std::move(frame)};
        if (sent && drainHere) {
            // A field waiting for its pair, or a frame the file marks to be
            // dropped, gives nothing here.
            if (receiveAfterDrain(decoder, frame.get())) return {std::move(frame)};
            return {nullptr, true};
        }
    }
    // At the end of the file the decoder may still hold the frames it was
    // keeping back for reordering; a short video may have no others.
    if (receiveAfterDrain(decoder, frame.get())) return {std::move(frame)};
    return {};
}

// The video, its decoder, and the reading position at `offsetMicroseconds`.
std::optional<VideoInput> openAt(const std::string& url, std::int32_t offsetMicroseconds) {
    std::optional<VideoInput> input = openVideo(url);
    if (input && !seekBackwardsTo(*input, offsetMicroseconds)) {
        // A failed seek can leave the demuxer anywhere in the file, where the
        // next frame is predicted from pictures never decoded. A fresh input
        // reads from the start, which is where the seek was meant to land.
        input = openVideo(url);
    }
    return input;
}

}  // namespace

FrameHandle decodeFirstFrame(const std::string& url, std::int32_t offsetMicroseconds) {
    std::optional<VideoInput> input = openAt(url, offsetMicroseconds);
    if (!input) return nullptr;
    FirstFrame first = receiveFirstFrame(*input, KeyFrame::drainAtOnce);
    if (!first.drainedAtKeyFrame) return std::move(first.frame);
    // The key frame alone gave no picture, and a drained decoder takes no
    // more packets: read the stream again, decoding on past the key frame.
    input = openAt(url, offsetMicroseconds);
    if (!input) return nullptr;
    return std::move(receiveFirstFrame(*input, KeyFrame::decodeOn).frame);
}
