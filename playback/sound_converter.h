#pragma once
// A video's sound decoded, mixed to stereo at 48 kHz and encoded as AAC, the
// one sound every HLS player plays.
#include <cstdint>
#include <functional>
#include <memory>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include "playback/ts_output.h"
#include "thumbs/ffmpeg_handles.h"

class SoundConverter {
public:
    // Throws CaptureFailure when the sound cannot be decoded or encoded.
    explicit SoundConverter(const AVStream& input);

    // What an output stream for the converted sound is made from.
    const AVCodecContext& encoder() const { return *m_encoder; }

    // One packet of the input's sound; null at the end, which also empties
    // the encoder. Encodes in frames of the encoder's size; timestamps, in
    // encoder().time_base, follow the first decoded sound.
    void convert(const AVPacket* packet, const PacketSink& emit);

private:
    struct ResamplerFreer {
        void operator()(SwrContext* resampler) const { swr_free(&resampler); }
    };
    struct FifoFreer {
        void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
    };

    void resample(AVFrame& decoded);
    // Whole encoder frames while there are; at the end, what is left and the
    // encoder's own delay.
    void encodeWhole(bool last, const PacketSink& emit);

    const AVStream& m_input;
    CodecHandle m_decoder;
    CodecHandle m_encoder;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    std::unique_ptr<AVAudioFifo, FifoFreer> m_fifo;
    std::int64_t m_nextPts = 0;
};
