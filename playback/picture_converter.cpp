#include "playback/picture_converter.h"

#include <algorithm>
#include <new>

extern "C" {
#include <libavutil/opt.h>
}

#include "playback/ts_output.h"
#include "thumbs/turned_copy.h"
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
    // A picture recorded on its side is encoded as it is shown.
    const bool sideways = clockwiseTurnsOf(input) % 2 == 1;
    const AVCodecParameters& source = *input.codecpar;
    const PictureSize size =
        sideways ? convertedSize(source.height, source.width) : convertedSize(source.width, source.height);
    context->width = size.width;
    context->height = size.height;
    context->pix_fmt = AV_PIX_FMT_YUV420P;
    const AVRational aspect = source.sample_aspect_ratio;
    context->sample_aspect_ratio = sideways ? AVRational{aspect.den, aspect.num} : aspect;
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

FrameHandle pictureFrame(int width, int height) {
    FrameHandle frame(av_frame_alloc());
    if (!frame) throw std::bad_alloc();
    frame->format = AV_PIX_FMT_YUV420P;
    frame->width = width;
    frame->height = height;
    check(av_frame_get_buffer(frame.get(), 0), "no memory for the picture");
    return frame;
}

// The three planes of `upright` turned into `turned`; chroma is half size.
void turnPicture(const AVFrame& upright, int turns, AVFrame& turned) {
    for (int plane = 0; plane < 3; ++plane) {
        const int shift = plane == 0 ? 0 : 1;
        copyTurned({upright.data[plane], upright.width >> shift, upright.height >> shift, upright.linesize[plane]},
                   turns, 1,
                   {turned.data[plane], turned.width >> shift, turned.height >> shift, turned.linesize[plane]});
    }
}

}  // namespace

PictureSize convertedSize(int width, int height) {
    if (width <= 0 || height <= 0) return {};
    const int lines = std::min(height, kConvertedLines);
    return {even(static_cast<double>(width) * lines / height), even(lines)};
}

PictureConverter::PictureConverter(const AVFormatContext& format, const AVStream& input)
    : m_decoder(openDecoder(input)), m_encoder(openEncoder(format, input)), m_turns(clockwiseTurnsOf(input)) {
    // Scaled upright first, then turned into the encoder's picture.
    const bool sideways = m_turns % 2 == 1;
    m_scaled =
        pictureFrame(sideways ? m_encoder->height : m_encoder->width, sideways ? m_encoder->width : m_encoder->height);
    if (m_turns) m_turned = pictureFrame(m_encoder->width, m_encoder->height);
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
    AVFrame* shown = m_scaled.get();
    if (m_turns) {
        check(av_frame_make_writable(m_turned.get()), "no memory for the picture");
        turnPicture(*m_scaled, m_turns, *m_turned);
        shown = m_turned.get();
    }
    shown->pts = pts;
    shown->pict_type = key ? AV_PICTURE_TYPE_I : AV_PICTURE_TYPE_NONE;
    encodeFrame(*m_encoder, shown, "the picture cannot be encoded", emit);
}
