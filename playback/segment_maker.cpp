#include "playback/segment_maker.h"

#include <atomic>
#include <chrono>
#include <optional>

#include "playback/key_frames.h"
#include "playback/sound_converter.h"
#include "playback/stream_choice.h"
#include "playback/ts_output.h"
#include "thumbs/video_input.h"

namespace {

constexpr std::chrono::seconds kSegmentTime{60};
// A segment reads no more than this, whatever the file holds.
constexpr int kPacketLimit = 200'000;

// Copies the picture from the key frame at the segment's start to the one
// at its end, and the sound of that time, copied or converted.
class SegmentCopy {
public:
    SegmentCopy(VideoInput& input, AVStream& picture, AVStream* sound, bool convertSound, std::string& bytes)
        : m_input(input), m_picture(picture), m_sound(sound), m_output(openOutput(bytes)) {
        m_pictureOut = copiedStream(*m_output, picture)->index;
        if (sound && convertSound) {
            m_converter.emplace(*sound);
            m_soundOut = encodedStream(*m_output, m_converter->encoder())->index;
        }
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
        if (m_converter) m_converter->convert(nullptr, converted());
        check(av_write_trailer(m_output.get()), "the segment cannot be ended");
        avio_flush(m_output->pb);
    }

private:
    // Whether the picture has reached the segment's end.
    bool takePicture(AVPacket& packet, double start, double end, bool toTheEnd) {
        const double when = secondsFromPictureStart(packetTime(packet), m_picture.time_base, m_picture);
        const bool key = packet.flags & AV_PKT_FLAG_KEY;
        if (!m_started) {
            if (!key || when < start - 0.001) return false;
            m_started = true;
        }
        if (key && !toTheEnd && when >= end - 0.001) return true;
        writePacket(*m_output, packet, m_picture.time_base, m_pictureOut);
        return false;
    }

    // Whether the sound has reached the segment's end.
    bool takeSound(AVPacket& packet, double start, double end, bool toTheEnd) {
        const double when = secondsFromPictureStart(packetTime(packet), m_sound->time_base, m_picture);
        if (!toTheEnd && when >= end) return true;
        if (when < start) return false;
        if (m_converter) {
            m_converter->convert(&packet, converted());
        } else {
            writePacket(*m_output, packet, m_sound->time_base, m_soundOut);
        }
        return false;
    }

    PacketSink converted() {
        return
            [this](AVPacket& packet) { writePacket(*m_output, packet, m_converter->encoder().time_base, m_soundOut); };
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
                          const SegmentPlan& plan, std::size_t segment, bool convertSound, int soundTrack) {
    if (segment >= plan.starts.size()) return {{}, "no such segment"};
    const std::atomic<bool> never{false};
    const CaptureLimits limits{never, std::chrono::steady_clock::now() + kSegmentTime};
    std::string bytes;
    try {
        VideoInput input = openVideoInput({file, video}, limits, StreamProbe::always);
        AVStream* picture = streamPlayedFirst(*input.format, AVMEDIA_TYPE_VIDEO);
        if (!picture) return {{}, "no picture"};
        AVStream* sound = chosenSoundTrack(*input.format, soundTrack);
        SegmentCopy copy(input, *picture, sound, convertSound, bytes);
        copy.copy(plan.starts[segment], plan.end(segment), segment + 1 == plan.starts.size());
    } catch (const CaptureFailure& failure) {
        return {{}, failure.what()};
    }
    return {std::move(bytes), {}};
}
