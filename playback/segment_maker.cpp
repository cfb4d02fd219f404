#include "playback/segment_maker.h"

#include <atomic>
#include <chrono>
#include <optional>

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libswresample/swresample.h>
}

#include "playback/key_frames.h"
#include "playback/stream_choice.h"
#include "thumbs/video_input.h"

namespace {

constexpr std::chrono::seconds kSegmentTime{60};
constexpr int kSoundRate = 48000;
constexpr int kSoundBitRate = 160'000;
constexpr int kIoBufferSize = 64 * 1024;
// A segment reads no more than this, whatever the file holds.
constexpr int kPacketLimit = 200'000;

struct OutputFreer {
    void operator()(AVFormatContext* format) const {
        if (format->pb) {
            av_freep(&format->pb->buffer);
            avio_context_free(&format->pb);
        }
        avformat_free_context(format);
    }
};
using OutputHandle = std::unique_ptr<AVFormatContext, OutputFreer>;

struct ResamplerFreer {
    void operator()(SwrContext* resampler) const { swr_free(&resampler); }
};
struct FifoFreer {
    void operator()(AVAudioFifo* fifo) const { av_audio_fifo_free(fifo); }
};

int appendBytes(void* opaque, std::uint8_t* buffer, int size) {
    static_cast<std::string*>(opaque)->append(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
    return size;
}

void check(int result, const char* what) {
    if (result < 0) failCapture(std::string(what) + " (" + ffmpegError(result) + ")");
}

// MPEG-TS into `bytes`, the video's timestamps kept as they are.
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

// The sound decoded, mixed to stereo at 48 kHz and encoded as AAC, in
// frames of the encoder's size; timestamps follow the first decoded sound.
class SoundConverter {
public:
    SoundConverter(const AVStream& input, AVFormatContext& output) : m_input(input) {
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
        m_stream = avformat_new_stream(&output, nullptr);
        if (!m_stream) throw std::bad_alloc();
        check(avcodec_parameters_from_context(m_stream->codecpar, m_encoder.get()), "the sound cannot be encoded");
        m_stream->time_base = m_encoder->time_base;
        m_fifo.reset(av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 2, m_encoder->frame_size));
        if (!m_fifo) throw std::bad_alloc();
    }

    // One packet of the input's sound; null at the end.
    void convert(const AVPacket* packet, AVFormatContext& output) {
        check(avcodec_send_packet(m_decoder.get(), packet), "the sound cannot be decoded");
        const FrameHandle decoded(av_frame_alloc());
        while (avcodec_receive_frame(m_decoder.get(), decoded.get()) >= 0) {
            resample(*decoded);
            av_frame_unref(decoded.get());
        }
        encodeWhole(output, packet == nullptr);
    }

private:
    void resample(AVFrame& decoded) {
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

    // Whole encoder frames while there are; at the end, what is left and the
    // encoder's own delay.
    void encodeWhole(AVFormatContext& output, bool last) {
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
            send(frame.get(), output);
        }
        if (last) send(nullptr, output);
    }

    void send(const AVFrame* frame, AVFormatContext& output) {
        check(avcodec_send_frame(m_encoder.get(), frame), "the sound cannot be encoded");
        const PacketHandle packet(av_packet_alloc());
        while (avcodec_receive_packet(m_encoder.get(), packet.get()) >= 0) {
            av_packet_rescale_ts(packet.get(), m_encoder->time_base, m_stream->time_base);
            packet->stream_index = m_stream->index;
            check(av_interleaved_write_frame(&output, packet.get()), "the segment cannot be written");
        }
    }

    const AVStream& m_input;
    CodecHandle m_decoder;
    CodecHandle m_encoder;
    AVStream* m_stream = nullptr;
    std::unique_ptr<SwrContext, ResamplerFreer> m_resampler;
    std::unique_ptr<AVAudioFifo, FifoFreer> m_fifo;
    std::int64_t m_nextPts = 0;
};

double secondsOf(const AVPacket& packet, const AVStream& stream, const AVStream& picture) {
    return av_q2d(stream.time_base) * static_cast<double>(packetTime(packet)) -
           av_q2d(picture.time_base) * static_cast<double>(streamStart(picture));
}

// Copies the picture from the key frame at the segment's start to the one
// at its end, and the sound of that time, copied or converted.
class SegmentCopy {
public:
    SegmentCopy(VideoInput& input, AVStream& picture, AVStream* sound, bool convertSound, std::string& bytes)
        : m_input(input), m_picture(picture), m_sound(sound), m_output(openOutput(bytes)) {
        m_pictureOut = copiedStream(*m_output, picture)->index;
        if (sound && convertSound) m_converter.emplace(*sound, *m_output);
        if (sound && !convertSound) m_soundOut = copiedStream(*m_output, *sound)->index;
        check(avformat_write_header(m_output.get(), nullptr), "the segment cannot be begun");
    }

    void copy(double start, double end, bool toTheEnd) {
        const std::int64_t seekTo =
            streamStart(m_picture) + static_cast<std::int64_t>(start / av_q2d(m_picture.time_base));
        check(av_seek_frame(m_input.format.get(), m_picture.index, seekTo, AVSEEK_FLAG_BACKWARD), "seek failed");
        const PacketHandle packet(av_packet_alloc());
        bool pictureDone = false;
        bool soundDone = m_sound == nullptr;
        for (int read = 0; read < kPacketLimit && !(pictureDone && soundDone); ++read) {
            if (av_read_frame(m_input.format.get(), packet.get()) < 0) break;
            if (packet->stream_index == m_picture.index && !pictureDone)
                pictureDone = takePicture(*packet, start, end, toTheEnd);
            else if (m_sound && packet->stream_index == m_sound->index && !soundDone)
                soundDone = takeSound(*packet, start, end, toTheEnd);
            av_packet_unref(packet.get());
        }
        if (m_converter) m_converter->convert(nullptr, *m_output);
        check(av_write_trailer(m_output.get()), "the segment cannot be ended");
        avio_flush(m_output->pb);
    }

private:
    // Whether the picture has reached the segment's end.
    bool takePicture(AVPacket& packet, double start, double end, bool toTheEnd) {
        const double when = secondsOf(packet, m_picture, m_picture);
        const bool key = packet.flags & AV_PKT_FLAG_KEY;
        if (!m_started) {
            if (!key || when < start - 0.001) return false;
            m_started = true;
        }
        if (key && !toTheEnd && when >= end - 0.001) return true;
        write(packet, m_picture, m_pictureOut);
        return false;
    }

    // Whether the sound has reached the segment's end.
    bool takeSound(AVPacket& packet, double start, double end, bool toTheEnd) {
        const double when = secondsOf(packet, *m_sound, m_picture);
        if (!toTheEnd && when >= end) return true;
        if (when < start) return false;
        if (m_converter) {
            m_converter->convert(&packet, *m_output);
        } else {
            write(packet, *m_sound, m_soundOut);
        }
        return false;
    }

    void write(AVPacket& packet, const AVStream& from, int to) {
        av_packet_rescale_ts(&packet, from.time_base, m_output->streams[to]->time_base);
        packet.stream_index = to;
        packet.pos = -1;
        check(av_interleaved_write_frame(m_output.get(), &packet), "the segment cannot be written");
    }

    VideoInput& m_input;
    AVStream& m_picture;
    AVStream* m_sound;
    OutputHandle m_output;
    int m_pictureOut = -1;
    int m_soundOut = -1;
    std::optional<SoundConverter> m_converter;
    bool m_started = false;
};

}  // namespace

SegmentBytes remuxSegment(const platform::RegularFileReader& file, const std::filesystem::path& video,
                          const SegmentPlan& plan, std::size_t segment, bool convertSound) {
    if (segment >= plan.starts.size()) return {{}, "no such segment"};
    const std::atomic<bool> never{false};
    const CaptureLimits limits{never, std::chrono::steady_clock::now() + kSegmentTime};
    std::string bytes;
    try {
        VideoInput input = openVideoInput({file, video}, limits, StreamProbe::always);
        AVStream* picture = streamPlayedFirst(*input.format, AVMEDIA_TYPE_VIDEO);
        if (!picture) return {{}, "no picture"};
        AVStream* sound = streamPlayedFirst(*input.format, AVMEDIA_TYPE_AUDIO);
        SegmentCopy copy(input, *picture, sound, convertSound, bytes);
        copy.copy(plan.starts[segment], plan.end(segment), segment + 1 == plan.starts.size());
    } catch (const CaptureFailure& failure) {
        return {{}, failure.what()};
    }
    return {std::move(bytes), {}};
}
