#include "playback/transcode_run.h"

#include <chrono>
#include <optional>
#include <vector>

#include "playback/key_frames.h"
#include "playback/picture_converter.h"
#include "playback/sound_converter.h"
#include "playback/stream_choice.h"
#include "playback/ts_output.h"
#include "thumbs/video_input.h"

namespace {

// Writes the converted streams into the plan's segments one after another
// and hands each over when the picture reaches the next. Sound that runs
// ahead of the picture waits for the segment it belongs to.
class SegmentCutter {
public:
    SegmentCutter(const SegmentPlan& plan, std::size_t first, const AVCodecContext& picture,
                  const AVCodecContext* sound, const SegmentDone& done)
        : m_plan(plan), m_next(first), m_picture(picture), m_sound(sound), m_done(done) {}

    bool ended() const { return m_ended; }

    // The picture frame at `seconds` is about to be encoded: finishes the
    // segments it is past and begins its own. Whether it begins one, and so
    // has to be a key frame.
    bool beginsSegmentAt(double seconds) {
        bool begins = false;
        if (!m_output) begins = beginNext();
        while (!m_ended && m_current + 1 < m_plan.starts.size() && seconds >= m_plan.end(m_current) - 0.001)
            begins = finishCurrent() && beginNext();
        return begins;
    }

    void writePicture(AVPacket& packet) {
        if (m_output) writePacket(*m_output, packet, m_picture.time_base, 0);
    }

    void writeSound(AVPacket& packet) {
        const double seconds = av_q2d(m_sound->time_base) * static_cast<double>(packet.pts) - m_soundOffset;
        const bool belongsLater = m_current + 1 < m_plan.starts.size() && seconds >= m_plan.end(m_current);
        if (m_output && !belongsLater) return writePacket(*m_output, packet, m_sound->time_base, 1);
        m_waitingSound.emplace_back(av_packet_clone(&packet));
    }

    // Where the picture's first timestamp lies on the sound's clock, in seconds.
    void setSoundOffset(double seconds) { m_soundOffset = seconds; }

    // The video has ended: the last segment is handed over.
    void finish() {
        if (!m_output && !m_ended) beginNext();
        if (m_output) finishCurrent();
    }

private:
    bool beginNext() {
        m_current = m_next++;
        m_bytes.clear();
        m_output = openOutput(m_bytes);
        encodedStream(*m_output, m_picture);
        if (m_sound) encodedStream(*m_output, *m_sound);
        check(avformat_write_header(m_output.get(), nullptr), "the segment cannot be begun");
        std::vector<PacketHandle> waiting;
        waiting.swap(m_waitingSound);
        for (PacketHandle& packet : waiting) writeSound(*packet);
        return true;
    }

    bool finishCurrent() {
        check(av_write_trailer(m_output.get()), "the segment cannot be ended");
        avio_flush(m_output->pb);
        m_output.reset();
        m_ended = !m_done(m_current, std::move(m_bytes)) || m_current + 1 >= m_plan.starts.size();
        return !m_ended;
    }

    const SegmentPlan& m_plan;
    std::size_t m_next;
    std::size_t m_current = 0;
    const AVCodecContext& m_picture;
    const AVCodecContext* m_sound;
    const SegmentDone& m_done;
    std::string m_bytes;
    OutputHandle m_output;  // the segment being written; none before the first frame
    std::vector<PacketHandle> m_waitingSound;
    double m_soundOffset = 0;
    bool m_ended = false;
};

void seekTo(AVFormatContext& format, const AVStream& picture, double seconds) {
    if (seconds <= 0) return;
    const auto to = streamStart(picture) + static_cast<std::int64_t>(seconds / av_q2d(picture.time_base));
    check(av_seek_frame(&format, picture.index, to, AVSEEK_FLAG_BACKWARD), "seek failed");
}

}  // namespace

void transcodeSegments(const platform::RegularFileReader& file, const std::filesystem::path& video,
                       const SegmentPlan& plan, std::size_t first, const std::atomic<bool>& stop,
                       const SegmentDone& done, int soundTrack) {
    if (first >= plan.starts.size()) return;
    const CaptureLimits limits{stop, std::chrono::steady_clock::time_point::max()};
    VideoInput input = openVideoInput({file, video}, limits, StreamProbe::always);
    AVStream* picture = streamPlayedFirst(*input.format, AVMEDIA_TYPE_VIDEO);
    if (!picture) failCapture("no picture");
    AVStream* sound = chosenSoundTrack(*input.format, soundTrack);
    PictureConverter pictures(*input.format, *picture);
    std::optional<SoundConverter> sounds;
    if (sound) sounds.emplace(*sound);
    SegmentCutter cutter(plan, first, pictures.encoder(), sounds ? &sounds->encoder() : nullptr, done);
    cutter.setSoundOffset(av_q2d(picture->time_base) * static_cast<double>(streamStart(*picture)));

    const double from = plan.starts[first];
    seekTo(*input.format, *picture, from);
    const auto writePicture = [&](AVPacket& packet) { cutter.writePicture(packet); };
    const auto writeSound = [&](AVPacket& packet) { cutter.writeSound(packet); };
    const auto encodeFrame = [&](AVFrame& frame) {
        const double seconds = secondsFromPictureStart(frame.best_effort_timestamp, picture->time_base, *picture);
        if (seconds < from - 0.001 || cutter.ended()) return;
        pictures.encode(&frame, cutter.beginsSegmentAt(seconds), writePicture);
    };

    const PacketHandle packet(av_packet_alloc());
    while (!cutter.ended()) {
        const int read = av_read_frame(input.format.get(), packet.get());
        if (stop) return;
        if (read == AVERROR_EOF) break;
        check(read, "the file cannot be read");
        if (packet->stream_index == picture->index) {
            pictures.decode(packet.get(), encodeFrame);
        } else if (sound && packet->stream_index == sound->index &&
                   secondsFromPictureStart(packetTime(*packet), sound->time_base, *picture) >= from) {
            sounds->convert(packet.get(), writeSound);
        }
        av_packet_unref(packet.get());
    }
    if (cutter.ended()) return;
    pictures.decode(nullptr, encodeFrame);
    pictures.encode(nullptr, false, writePicture);
    if (sounds) sounds->convert(nullptr, writeSound);
    cutter.finish();
}
