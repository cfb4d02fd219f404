#include "playback/webvtt_conversion.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstring>
#include <new>

#include "playback/ascii_case.h"
#include "playback/key_frames.h"
#include "playback/ts_output.h"
#include "thumbs/video_input.h"

namespace {

// Reading a film's subtitles means one pass over the whole file.
constexpr std::chrono::seconds kEmbeddedTime{120};
constexpr int kIoBufferSize = 64 * 1024;
constexpr int kLongestCue = 64 * 1024;
// A cue whose end neither the packet nor the decoder gives.
constexpr std::int64_t kDefaultCueMs = 4000;

struct Cue {
    std::int64_t startMs;
    std::int64_t durationMs;
    std::string text;
};

// The cue's words without the bold, italic and underline the encoder keeps:
// across a room, plain white text on its shadow reads best. The encoder
// writes a "<" of the text itself as "&lt;", so every "<" opens a tag.
std::string plainCueText(const std::string& text) {
    std::string plain;
    for (std::size_t at = 0; at < text.size();) {
        if (text[at] == '<') {
            const std::size_t end = text.find('>', at);
            at = end == std::string::npos ? text.size() : end + 1;
        } else {
            plain += text[at++];
        }
    }
    return plain;
}

struct SubtitleFreer {
    void operator()(AVSubtitle* subtitle) const {
        avsubtitle_free(subtitle);
        delete subtitle;
    }
};

// One subtitle stream's cues, decoded and encoded as WebVTT cue text.
class CueTrack {
public:
    explicit CueTrack(const AVStream& stream)
        : m_timeBase(stream.time_base),
          m_decoder(avcodec_alloc_context3(avcodec_find_decoder(stream.codecpar->codec_id))),
          m_encoder(avcodec_alloc_context3(avcodec_find_encoder(AV_CODEC_ID_WEBVTT))) {
        if (!m_decoder || !m_encoder) throw std::bad_alloc();
        check(avcodec_parameters_to_context(m_decoder.get(), stream.codecpar), "the subtitles cannot be described");
        m_decoder->pkt_timebase = stream.time_base;
        check(avcodec_open2(m_decoder.get(), m_decoder->codec, nullptr), "no decoder for the subtitles");
        // The encoder reads the styles' names from the decoder's ASS header.
        if (m_decoder->subtitle_header) {
            const auto size = static_cast<std::size_t>(m_decoder->subtitle_header_size);
            m_encoder->subtitle_header = static_cast<std::uint8_t*>(av_mallocz(size + 1));
            if (!m_encoder->subtitle_header) throw std::bad_alloc();
            std::memcpy(m_encoder->subtitle_header, m_decoder->subtitle_header, size);
            m_encoder->subtitle_header_size = m_decoder->subtitle_header_size;
        }
        m_encoder->time_base = {1, 1000};
        check(avcodec_open2(m_encoder.get(), m_encoder->codec, nullptr), "no WebVTT encoder");
    }

    // The packet, whose time is `seconds` on the player's clock.
    void add(AVPacket& packet, double seconds) {
        std::unique_ptr<AVSubtitle, SubtitleFreer> subtitle(new AVSubtitle{});
        int got = 0;
        if (avcodec_decode_subtitle2(m_decoder.get(), subtitle.get(), &got, &packet) < 0 || !got) return;
        if (subtitle->num_rects == 0) return;
        const std::int64_t startMs = static_cast<std::int64_t>(seconds * 1000) + subtitle->start_display_time;
        std::int64_t durationMs = subtitle->end_display_time > subtitle->start_display_time
                                      ? subtitle->end_display_time - subtitle->start_display_time
                                      : 0;
        if ((durationMs == 0 || subtitle->end_display_time == UINT32_MAX) && packet.duration > 0)
            durationMs = av_rescale_q(packet.duration, m_timeBase, {1, 1000});
        if (durationMs <= 0) durationMs = kDefaultCueMs;
        if (startMs + durationMs <= 0) return;
        subtitle->start_display_time = 0;
        subtitle->end_display_time = static_cast<std::uint32_t>(durationMs);
        std::string text(kLongestCue, '\0');
        const int size = avcodec_encode_subtitle(m_encoder.get(), reinterpret_cast<std::uint8_t*>(text.data()),
                                                 kLongestCue, subtitle.get());
        if (size <= 0) return;
        text.resize(static_cast<std::size_t>(size));
        m_cues.push_back({std::max<std::int64_t>(startMs, 0), durationMs, plainCueText(text)});
    }

    // The WebVTT file of the cues, in the order they begin.
    std::string webVtt() {
        std::stable_sort(m_cues.begin(), m_cues.end(),
                         [](const Cue& a, const Cue& b) { return a.startMs < b.startMs; });
        AVFormatContext* made = nullptr;
        check(avformat_alloc_output_context2(&made, nullptr, "webvtt", nullptr), "no WebVTT muxer");
        const OutputHandle output(made);
        AVStream* stream = avformat_new_stream(output.get(), nullptr);
        if (!stream) throw std::bad_alloc();
        stream->codecpar->codec_type = AVMEDIA_TYPE_SUBTITLE;
        stream->codecpar->codec_id = AV_CODEC_ID_WEBVTT;
        stream->time_base = {1, 1000};
        check(avio_open_dyn_buf(&output->pb), "no memory for the subtitles");
        std::string bytes;
        try {
            check(avformat_write_header(output.get(), nullptr), "the subtitles cannot be begun");
            const PacketHandle packet(av_packet_alloc());
            for (Cue& cue : m_cues) {
                packet->data = reinterpret_cast<std::uint8_t*>(cue.text.data());
                packet->size = static_cast<int>(cue.text.size());
                packet->pts = packet->dts = av_rescale_q(cue.startMs, {1, 1000}, stream->time_base);
                packet->duration = av_rescale_q(cue.durationMs, {1, 1000}, stream->time_base);
                packet->stream_index = 0;
                check(av_write_frame(output.get(), packet.get()), "a cue cannot be written");
            }
            check(av_write_trailer(output.get()), "the subtitles cannot be ended");
        } catch (...) {
            closeBuffer(*output, bytes);
            throw;
        }
        closeBuffer(*output, bytes);
        return bytes;
    }

private:
    static void closeBuffer(AVFormatContext& output, std::string& bytes) {
        std::uint8_t* buffer = nullptr;
        const int size = avio_close_dyn_buf(output.pb, &buffer);
        output.pb = nullptr;
        if (buffer) bytes.assign(reinterpret_cast<const char*>(buffer), static_cast<std::size_t>(size));
        av_free(buffer);
    }

    AVRational m_timeBase;
    CodecHandle m_decoder;
    CodecHandle m_encoder;
    std::vector<Cue> m_cues;
};

struct TextSource {
    const std::string* text;
    std::size_t position = 0;
};

int readText(void* opaque, std::uint8_t* buffer, int size) {
    auto& source = *static_cast<TextSource*>(opaque);
    const std::size_t count = std::min(static_cast<std::size_t>(size), source.text->size() - source.position);
    if (count == 0) return AVERROR_EOF;
    std::memcpy(buffer, source.text->data() + source.position, count);
    source.position += count;
    return static_cast<int>(count);
}

const char* demuxerFor(std::string_view extension) {
    const std::string lower = asciiLowerCase(std::string(extension));
    if (lower == ".srt") return "srt";
    if (lower == ".ass" || lower == ".ssa") return "ass";
    if (lower == ".vtt") return "webvtt";
    return nullptr;
}

}  // namespace

std::optional<std::string> sidecarWebVtt(const std::string& text, std::string_view extension) {
    const char* demuxerName = demuxerFor(extension);
    const AVInputFormat* demuxer = demuxerName ? av_find_input_format(demuxerName) : nullptr;
    if (!demuxer) return std::nullopt;
    TextSource source{&text};
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBufferSize));
    const std::unique_ptr<AVIOContext, IoFreer> io(
        buffer ? avio_alloc_context(buffer, kIoBufferSize, 0, &source, readText, nullptr, nullptr) : nullptr);
    if (!io) {
        av_free(buffer);
        throw std::bad_alloc();
    }
    AVFormatContext* opened = avformat_alloc_context();
    if (!opened) throw std::bad_alloc();
    opened->pb = io.get();
    opened->flags |= AVFMT_FLAG_CUSTOM_IO;
    if (avformat_open_input(&opened, nullptr, demuxer, nullptr) < 0) return std::nullopt;  // freed on failure
    const FormatHandle format(opened);
    if (format->nb_streams != 1) return std::nullopt;
    try {
        CueTrack cues(*format->streams[0]);
        const PacketHandle packet(av_packet_alloc());
        while (av_read_frame(format.get(), packet.get()) >= 0) {
            cues.add(*packet, av_q2d(format->streams[0]->time_base) * static_cast<double>(packetTime(*packet)));
            av_packet_unref(packet.get());
        }
        return cues.webVtt();
    } catch (const CaptureFailure&) {
        return std::nullopt;
    }
}

std::map<int, std::string> embeddedWebVtt(const platform::RegularFileReader& file, const std::filesystem::path& video,
                                          const std::vector<int>& streams) {
    const std::atomic<bool> never{false};
    const CaptureLimits limits{never, std::chrono::steady_clock::now() + kEmbeddedTime};
    VideoInput input = openVideoInput({file, video}, limits, StreamProbe::always);
    // Players count from the earliest timestamp of the picture and the sound.
    const double start =
        input.format->start_time == AV_NOPTS_VALUE ? 0 : static_cast<double>(input.format->start_time) / AV_TIME_BASE;
    std::map<int, CueTrack> tracks;
    for (unsigned i = 0; i < input.format->nb_streams; ++i) {
        AVStream* stream = input.format->streams[i];
        const bool wanted = std::find(streams.begin(), streams.end(), stream->index) != streams.end() &&
                            stream->codecpar->codec_type == AVMEDIA_TYPE_SUBTITLE;
        // The demuxer skips what nobody reads, the pictures and sound among it.
        stream->discard = wanted ? AVDISCARD_DEFAULT : AVDISCARD_ALL;
        if (wanted) tracks.try_emplace(stream->index, *stream);
    }
    const PacketHandle packet(av_packet_alloc());
    while (true) {
        const int read = av_read_frame(input.format.get(), packet.get());
        if (read == AVERROR_EOF) break;
        check(read, "the file cannot be read");
        const auto track = tracks.find(packet->stream_index);
        if (track != tracks.end() && packetTime(*packet) != AV_NOPTS_VALUE) {
            const AVStream& stream = *input.format->streams[packet->stream_index];
            track->second.add(*packet, av_q2d(stream.time_base) * static_cast<double>(packetTime(*packet)) - start);
        }
        av_packet_unref(packet.get());
    }
    std::map<int, std::string> converted;
    for (auto& [index, track] : tracks) converted[index] = track.webVtt();
    return converted;
}
