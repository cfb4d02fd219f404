#include "playback/picture_converter.h"

#include <algorithm>
#include <new>

extern "C" {
#include <libavutil/opt.h>
}

#include "playback/ts_output.h"
#include "thumbs/video_input.h"

namespace {

int even(double value) {
    return std::max(2, static_cast<int>(value / 2 + 0.5) * 2);
}

CodecHandle openDecoder(const AVStream& input) {
    const AVCodec* decoder = avcodec_find_decoder(input.codecpar->codec_id);
    if (!decoder) failCapture("no decoder for the picture");
    CodecHandle context(avcodec_alloc_context3(decoder));
    if (!context) throw std::bad_alloc();
    check(avcodec_parameters_to_context(context.get(), input.codecpar), "the picture cannot be read");
    context->pkt_timebase = input.time_base;
    // The pixel budget of the stills, but with every core: this decoder
    // has to keep up with playing.
    AVDictionary* options = decoderOptions();
    av_dict_set(&options, "threads", "auto", 0);
    const int opened = avcodec_open2(context.get(), decoder, &options);
    av_dict_free(&options);
    check(opened, "the picture cannot be decoded");
    return context;
}

// x264 at its "veryfast" preset without look-ahead or B-frames: each frame's
// packet comes out as soon as it goes in, so a segment ends where its last
// frame does, and a household's two-core PC keeps ahead of playing.
CodecHandle openEncoder(const AVFormatContext& format, const AVStream& input) {
    const AVCodec* encoder = avcodec_find_encoder_by_name("libx264");
    if (!encoder) failCapture("no H.264 encoder");
    CodecHandle context(avcodec_alloc_context3(encoder));
    if (!context) throw std::bad_alloc();
    const PictureSize size = convertedSize(input.codecpar->width, input.codecpar->height);
    context->width = size.width;
    context->height = size.height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    context->sample_aspect_ratio = input.codecpar->sample_aspect_ratio;
    context->time_base = input.time_base;
    const AVRational rate =
        av_guess_frame_rate(const_cast<AVFormatContext*>(&format), const_cast<AVStream*>(&input), nullptr);
    context->framerate = rate.num > 0 ? rate : AVRational{25, 1};
    av_opt_set(context->priv_data, "preset", "veryfast", 0);
    av_opt_set(context->priv_data, "tune", "zerolatency", 0);
    av_opt_set(context->priv_data, "crf", "23", 0);
    check(avcodec_open2(context.get(), encoder, nullptr), "the picture cannot be encoded");
    return context;
}

}  // namespace

PictureSize convertedSize(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const int lines = std::min(height, kConvertedLines);
    return {even(static_cast<double>(width) * lines / height), even(lines)};
}

PictureConverter::PictureConverter(const AVFormatContext& format, const AVStream& input)
    : m_input(input), m_decoder(openDecoder(input)), m_encoder(openEncoder(format, input)), m_scaled(av_frame_alloc()) {
    if (!m_scaled) throw std::bad_alloc();
    m_scaled->format = AV_PIX_FMT_YUV420P;
    m_scaled->width = m_encoder->width;
    m_scaled->height = m_encoder->height;
    check(av_frame_get_buffer(m_scaled.get(), 0), "no memory for the picture");
}

void PictureConverter::decode(const AVPacket* packet, const OnFrame& onFrame) {
    const int sent = avcodec_send_packet(m_decoder.get(), packet);
    // A damaged packet loses its frame, not the video.
    if (sent < 0 && sent != AVERROR_INVALIDDATA) check(sent, "the picture cannot be decoded");
    const FrameHandle frame(av_frame_alloc());
    while (avcodec_receive_frame(m_decoder.get(), frame.get()) >= 0) {
        onFrame(*frame);
        av_frame_unref(frame.get());
    }
}

void PictureConverter::encode(const AVFrame* frame, bool key, const PacketSink& emit) {
    if (!frame) return encodeFrame(*m_encoder, nullptr, "the picture cannot be encoded", emit);
    m_scaler.reset(sws_getCachedContext(m_scaler.release(), frame->width, frame->height,
                                        static_cast<AVPixelFormat>(frame->format), m_scaled->width, m_scaled->height,
                                        AV_PIX_FMT_YUV420P, SWS_BILINEAR, nullptr, nullptr, nullptr));
    if (!m_scaler) failCapture("the picture cannot be scaled");
    check(av_frame_make_writable(m_scaled.get()), "no memory for the picture");
    sws_scale(m_scaler.get(), frame->data, frame->linesize, 0, frame->height, m_scaled->data, m_scaled->linesize);
    // x264 takes only rising times; a repeated or missing one moves on by a tick.
    std::int64_t pts = frame->best_effort_timestamp;
    if (m_lastPts != AV_NOPTS_VALUE && (pts == AV_NOPTS_VALUE || pts <= m_lastPts)) pts = m_lastPts + 1;
    if (pts == AV_NOPTS_VALUE) pts = 0;
    m_lastPts = pts;
    m_scaled->pts = pts;
    m_scaled->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    encodeFrame(*m_encoder, m_scaled.get(), "the picture cannot be encoded", emit);
}
