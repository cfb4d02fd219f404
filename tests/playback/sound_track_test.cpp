// A film with two sound tracks, a 440 Hz tone and a 1000 Hz one, made with
// the ffmpeg tool: the track chosen is the one whose tone the segments
// carry, repackaged and converted alike.
#include <gtest/gtest.h>

#include <atomic>

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
}

#include "platform/process.h"
#include "playback/media_probe.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"
#include "playback/transcode_run.h"
#include "tests/common/test_folder.h"

namespace {

// The tone of an MPEG-TS segment's sound, from how often its first channel
// crosses zero.
double toneOf(const std::string& bytes, const std::filesystem::path& scratch) {
    writeFile(scratch, bytes);
    AVFormatContext* format = nullptr;
    EXPECT_EQ(avformat_open_input(&format, utf8Of(scratch).c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(format, nullptr);
    const int sound = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    EXPECT_GE(sound, 0);
    if (sound < 0) return 0;
    AVCodecContext* decoder = avcodec_alloc_context3(avcodec_find_decoder(format->streams[sound]->codecpar->codec_id));
    avcodec_parameters_to_context(decoder, format->streams[sound]->codecpar);
    avcodec_open2(decoder, decoder->codec, nullptr);
    AVPacket* packet = av_packet_alloc();
    AVFrame* frame = av_frame_alloc();
    long crossings = 0, samples = 0;
    float last = 0;
    while (av_read_frame(format, packet) >= 0) {
        if (packet->stream_index == sound && avcodec_send_packet(decoder, packet) == 0) {
            while (avcodec_receive_frame(decoder, frame) == 0) {
                EXPECT_EQ(frame->format, AV_SAMPLE_FMT_FLTP);  // what FFmpeg's AAC decoder gives
                const auto* first = reinterpret_cast<const float*>(frame->data[0]);
                for (int i = 0; i < frame->nb_samples; ++i, ++samples) {
                    if ((first[i] < 0) != (last < 0)) ++crossings;
                    last = first[i];
                }
            }
        }
        av_packet_unref(packet);
    }
    const int rate = decoder->sample_rate;
    av_frame_free(&frame);
    av_packet_free(&packet);
    avcodec_free_context(&decoder);
    avformat_close_input(&format);
    std::filesystem::remove(scratch);
    return samples ? crossings / 2.0 * rate / static_cast<double>(samples) : 0;
}

class SoundTracks : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TestFolder("sound tracks");
        // clang-format off
        const std::vector<std::string> arguments{
            "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=160x96:r=25:d=6",
            "-f", "lavfi", "-i", "sine=f=440:d=6", "-f", "lavfi", "-i", "sine=f=1000:d=6",
            "-map", "0", "-map", "1", "-map", "2", "-c:v", "libx264", "-preset", "ultrafast", "-g", "50",
            "-c:a", "aac", "-metadata:s:a:0", "language=chi", "-metadata:s:a:1", "language=eng",
            utf8Of(*folder / "film.mp4")};
        // clang-format on
        ASSERT_EQ(platform::runProgram("ffmpeg", arguments).exitCode, 0);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static inline TestFolder* folder = nullptr;

    void SetUp() override {
        const ProbeResult probed = probeStreams(*folder / "film.mp4");
        ASSERT_TRUE(probed.facts) << probed.failure;
        facts = *probed.facts;
        file = platform::RegularFileReader::open(*folder / "film.mp4");
        ASSERT_TRUE(file);
    }
    StreamFacts facts;
    std::unique_ptr<platform::RegularFileReader> file;
};

TEST_F(SoundTracks, TheProbeListsBothInTheFilesOrder) {
    ASSERT_EQ(facts.soundTracks.size(), 2u);
    EXPECT_EQ(facts.soundTracks[0].language, "chi");
    EXPECT_EQ(facts.soundTracks[1].language, "eng");
    EXPECT_EQ(facts.soundPlayedFirst, 0u);
}

TEST_F(SoundTracks, ARemuxedSegmentCarriesTheChosenTrack) {
    const SegmentPlan plan = planSegments(facts.keyFrames, facts.durationSeconds);
    const auto scratch = *folder / "segment.ts";
    EXPECT_NEAR(toneOf(remuxSegment(*file, "film.mp4", plan, 1, false).bytes, scratch), 440, 20);
    EXPECT_NEAR(toneOf(remuxSegment(*file, "film.mp4", plan, 1, false, 1).bytes, scratch), 1000, 20);
    EXPECT_NEAR(toneOf(remuxSegment(*file, "film.mp4", plan, 0, true, 1).bytes, scratch), 1000, 20);
}

TEST_F(SoundTracks, AConvertedSegmentCarriesTheChosenTrack) {
    const SegmentPlan plan = planSegments({}, facts.durationSeconds);
    const std::atomic<bool> stop{false};
    std::string first;
    transcodeSegments(
        *file, "film.mp4", plan, 0, stop,
        [&](std::size_t, std::string&& bytes) {
            first = std::move(bytes);
            return false;
        },
        1);
    EXPECT_NEAR(toneOf(first, *folder / "converted.ts"), 1000, 20);
}

}  // namespace
