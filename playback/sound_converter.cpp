#include "playback/sound_converter.h"

#include <algorithm>
#include <new>

#include "playback/ts_output.h"
#include "thumbs/video_input.h"

namespace {

constexpr int kSoundRate = 48000;
constexpr int kSoundBitRate = 160'000;

}  // namespace

SoundConverter::SoundConverter(const AVStream& input) : m_input(input) {
    const AVCodec* decoder = avcodec_find_decoder(input.codecpar->codec_id);
    const AVCodec* encoder = avcodec_find_encoder(AV_CODEC_ID_AAC);
    if (!decoder || !encoder) failCapture("the sound cannot be converted");
    m_decoder.reset(avcodec_alloc_context3(decoder));
    check(avcodec_parameters_to_context(m_decoder.get(), input.codecpar), "the sound cannot be read");
    m_decoder->pkt_timebase = input.time_base;
    check(avcodec_open2(m_decoder.get(), decoder, nullptr), "the sound cannot be decoded");

    m_encoder.reset(avcodec_alloc_context3(encoder));
    av_channel_layout_default(&m_encoder->ch_layout, 2);
    m_encoder->sample_rate = kSoundRate;
    m_encoder->sample_fmt = AV_SAMPLE_FMT_FLTP;
    m_encoder->bit_rate = kSoundBitRate;
    m_encoder->time_base = {1, kSoundRate};
    check(avcodec_open2(m_encoder.get(), encoder, nullptr), "the sound cannot be encoded");
    m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, m_encoder->frame_size));
    if (!m_fifo) throw std::bad_alloc();
}

void SoundConverter::convert(const AVPacket* packet, const PacketSink& emit) {
    check(avcodec_send_packet(m_decoder.get(), packet), "the sound cannot be decoded");
    const FrameHandle decoded(av_frame_alloc());
    while (avcodec_receive_frame(m_decoder.get(), decoded.get()) >= 0) {
        resample(*decoded);
        av_frame_unref(decoded.get());
    }
    encodeWhole(packet == nullptr, emit);
}

void SoundConverter::resample(AVFrame& decoded) {
    if (!m_resampler) {
        SwrContext* made = nullptr;
        check(swr_alloc_set_opts2(&made, &m_encoder->ch_layout, AV_SAMPLE_FMT_FLTP, kSoundRate, &decoded.ch_layout,
                                  static_cast<AVSampleFormat>(decoded.format), decoded.sample_rate, 0, nullptr),
              "the sound cannot be mixed");
        m_resampler.reset(made);
        check(swr_init(made), "the sound cannot be mixed");
        const std::int64_t when = decoded.best_effort_timestamp;
        m_nextPts = when == AV_NOPTS_VALUE ? 0 : av_rescale_q(when, m_input.time_base, m_encoder->time_base);
    }
    const FrameHandle mixed(av_frame_alloc());
    av_channel_layout_copy(&mixed->ch_layout, &m_encoder->ch_layout);
    mixed->format = AV_SAMPLE_FMT_FLTP;
    mixed->sample_rate = kSoundRate;
    check(swr_convert_frame(m_resampler.get(), mixed.get(), &decoded), "the sound cannot be mixed");
    av_audio_fifo_write(m_fifo.get(), reinterpret_cast<void**>(mixed->data), mixed->nb_samples);
}

void SoundConverter::encodeWhole(bool last, const PacketSink& emit) {
    const int size = m_encoder->frame_size;
    while (av_audio_fifo_size(m_fifo.get()) >= size || (last && av_audio_fifo_size(m_fifo.get()) > 0)) {
        const FrameHandle frame(av_frame_alloc());
        frame->nb_samples = std::min(size, av_audio_fifo_size(m_fifo.get()));
        av_channel_layout_copy(&frame->ch_layout, &m_encoder->ch_layout);
        frame->format = AV_SAMPLE_FMT_FLTP;
        frame->sample_rate = kSoundRate;
        check(av_frame_get_buffer(frame.get(), 0), "no memory for the sound");
        av_audio_fifo_read(m_fifo.get(), reinterpret_cast<void**>(frame->data), frame->nb_samples);
        frame->pts = m_nextPts;
        m_nextPts += frame->nb_samples;
        encodeFrame(*m_encoder, frame.get(), "the sound cannot be encoded", emit);
    }
    if (last) encodeFrame(*m_encoder, nullptr, "the sound cannot be encoded", emit);
}
