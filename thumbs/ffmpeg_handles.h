#pragma once
// Owning handles for the FFmpeg objects of one capture, so that every early
// return releases what was made.
#include <cstdint>
#include <memory>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/mem.h>
#include <libswscale/swscale.h>
}

struct FormatCloser {
    void operator()(AVFormatContext* format) const { avformat_close_input(&format); }
};
struct CodecFreer {
    void operator()(AVCodecContext* codec) const { avcodec_free_context(&codec); }
};
struct PacketFreer {
    void operator()(AVPacket* packet) const { av_packet_free(&packet); }
};
struct FrameFreer {
    void operator()(AVFrame* frame) const { av_frame_free(&frame); }
};
struct ScalerFreer {
    void operator()(SwsContext* scaler) const { sws_freeContext(scaler); }
};
struct BufferFreer {
    void operator()(std::uint8_t* buffer) const { av_free(buffer); }
};

using FormatHandle = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecHandle = std::unique_ptr<AVCodecContext, CodecFreer>;
using PacketHandle = std::unique_ptr<AVPacket, PacketFreer>;
using FrameHandle = std::unique_ptr<AVFrame, FrameFreer>;
using ScalerHandle = std::unique_ptr<SwsContext, ScalerFreer>;
using BufferHandle = std::unique_ptr<std::uint8_t, BufferFreer>;
