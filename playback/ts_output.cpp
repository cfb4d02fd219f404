#include "playback/ts_output.h"

#include <cstdint>
#include <new>

#include "thumbs/video_input.h"

namespace {

constexpr int kIoBufferSize = 64 * 1024;

int appendBytes(void* opaque, std::uint8_t* buffer, int size) {
    static_cast<std::string*>(opaque)->append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    return size;
}

}  // namespace

void OutputFreer::operator()(AVFormatContext* format) const {
    if (format->pb) {
        av_freep(&format->pb->buffer);
        avio_context_free(&format->pb);
    }
    avformat_free_context(format);
}

void check(int result, const char* what) {
    if (result < 0) failCapture(std::string(what) + " (" + ffmpegError(result) + ")");
}

OutputHandle openOutput(std::string& bytes) {
    AVFormatContext* made = nullptr;
    check(avformat_alloc_output_context2(&made, nullptr, "mpegts", nullptr), "no MPEG-TS muxer");
    OutputHandle output(made);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    output->pb = avio_alloc_context(buffer, kIoBufferSize, 1, &bytes, nullptr, appendBytes, nullptr);
    if (!output->pb) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    output->flags |= AVFMT_FLAG_CUSTOM_IO;
    output->avoid_negative_ts = AVFMT_AVOID_NEG_TS_DISABLED;
    return output;
}

AVStream* copiedStream(AVFormatContext& output, const AVStream& input) {
    AVStream* stream = avformat_new_stream(&output, nullptr);
    if (!stream) throw std::bad_alloc();
    check(avcodec_parameters_copy(stream->codecpar, input.codecpar), "the stream cannot be copied");
    stream->codecpar->codec_tag = 0;
    stream->time_base = input.time_base;
    return stream;
}

AVStream* encodedStream(AVFormatContext& output, const AVCodecContext& encoder) {
    AVStream* stream = avformat_new_stream(&output, nullptr);
    if (!stream) throw std::bad_alloc();
    check(avcodec_parameters_from_context(stream->codecpar, &encoder), "the stream cannot be written");
    stream->time_base = encoder.time_base;
    return stream;
}

void encodeFrame(AVCodecContext& encoder, const AVFrame* frame, const char* what, const PacketSink& sink) {
    check(avcodec_send_frame(&encoder, frame), what);
    const PacketHandle packet(av_packet_alloc());
    while (avcodec_receive_packet(&encoder, packet.get()) >= 0) {
        sink(*packet);
        av_packet_unref(packet.get());
    }
}

void writePacket(AVFormatContext& output, AVPacket& packet, AVRational from, int to) {
    av_packet_rescale_ts(&packet, from, output.streams[to]->time_base);
    packet.stream_index = to;
    packet.pos = -1;
    check(av_interleaved_write_frame(&output, &packet), "the segment cannot be written");
}
