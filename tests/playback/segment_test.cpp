// 10-second videos cut into HLS segments, with the picture copied (key
// frames every two seconds) or converted: each segment starts with a key
// frame, its timestamps go on from the one before, and the playlist's
// durations add up to the video's.
#include <gtest/gtest.h>

#include <cmath>

extern "C" {
#include <libavformat/avformat.h>
}

#include "platform/process.h"
#include "playback/media_probe.h"
#include "playback/segment_maker.h"
#include "playback/segment_plan.h"
#include "playback/transcode_run.h"
#include "tests/common/test_folder.h"

namespace {

struct Packet {
    bool picture;
    bool key;
    double seconds;
};

// The packets of an MPEG-TS segment, in file order.
std::vector<Packet> packetsOf(const std::filesystem::path& segment) {
    AVFormatContext* format = nullptr;
    EXPECT_EQ(avformat_open_input(&format, utf8Of(segment).c_str(), nullptr, nullptr), 0);
    avformat_find_stream_info(format, nullptr);
    std::vector<Packet> packets;
    AVPacket* packet = av_packet_alloc();
    while (av_read_frame(format, packet) >= 0) {
        const AVStream* stream = format->streams[packet->stream_index];
        packets.push_back({stream->codecpar->codec_type == AVMEDIA_TYPE_VIDEO, (packet->flags & AV_PKT_FLAG_KEY) != 0,
                           av_q2d(stream->time_base) * static_cast<double>(packet->pts)});
        av_packet_unref(packet);
    }
    av_packet_free(&packet);
    avformat_close_input(&format);
    return packets;
}

// Segment k of `plan`: H.264 from a key frame at its start to its end, AAC
// sound over the same time.
void expectSegmentOfPlan(const std::string& bytes, const SegmentPlan& plan, std::size_t k) {
    const auto segment = std::filesystem::temp_directory_path() / ("vomra-part" + std::to_string(k) + ".ts");
    writeFile(segment, bytes);
    const std::vector<Packet> packets = packetsOf(segment);
    const ProbeResult segmentFacts = probeStreams(segment);
    std::filesystem::remove(segment);
    std::vector<double> pictures, sounds;
    for (const Packet& packet : packets) (packet.picture ? pictures : sounds).push_back(packet.seconds);
    ASSERT_FALSE(pictures.empty()) << k;
    const auto first = std::find_if(packets.begin(), packets.end(), [](const Packet& p) { return p.picture; });
    EXPECT_TRUE(first->key) << k;
    EXPECT_NEAR(*std::min_element(pictures.begin(), pictures.end()), plan.starts[k], 0.05) << k;
    EXPECT_LT(*std::max_element(pictures.begin(), pictures.end()), plan.end(k)) << k;
    EXPECT_NEAR(*std::max_element(pictures.begin(), pictures.end()), plan.end(k) - 0.04, 0.05) << k;
    ASSERT_FALSE(sounds.empty()) << k;
    EXPECT_NEAR(*std::min_element(sounds.begin(), sounds.end()), plan.starts[k], 0.05) << k;
    EXPECT_NEAR(*std::max_element(sounds.begin(), sounds.end()), plan.end(k), 0.1) << k;
    ASSERT_TRUE(segmentFacts.facts) << segmentFacts.failure;
    EXPECT_EQ(segmentFacts.facts->audioCodec, "aac");
    EXPECT_EQ(segmentFacts.facts->videoCodec, "h264");
}

class Segments : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TestFolder("segments");
        ASSERT_EQ(platform::runProgram("ffmpeg", {"-loglevel", "error",   "-f",
                                                  "lavfi",     "-i",      "testsrc2=s=320x180:r=25:d=10",
                                                  "-f",        "lavfi",   "-i",
                                                  "sine=d=10", "-ac",     "6",
                                                  "-c:v",      "libx264", "-preset",
                                                  "ultrafast", "-g",      "50",
                                                  "-c:a",      "ac3",     utf8Of(*folder / "film.mkv")})
                      .exitCode,
                  0);
        // Xvid in AVI with MP3 sound, one key frame in all.
        ASSERT_EQ(
            platform::runProgram("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=480x270:r=25:d=10",
                                            "-f", "lavfi", "-i", "sine=d=10", "-c:v", "mpeg4", "-vtag", "XVID", "-g",
                                            "250", "-c:a", "libmp3lame", utf8Of(*folder / "film.avi")})
                .exitCode,
            0);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static inline TestFolder* folder = nullptr;
};

TEST_F(Segments, PlaylistFollowsTheKeyFramesAndAddsUpToTheDuration) {
    const ProbeResult probed = probeStreams(*folder / "film.mkv");
    ASSERT_TRUE(probed.facts) << probed.failure;
    const SegmentPlan plan = planSegments(probed.facts->keyFrames, probed.facts->durationSeconds);
    EXPECT_EQ(plan.starts, (std::vector<double>{0, 4, 8}));
    const std::string playlist = vodPlaylist(plan, "film.mkv?part=");
    double listed = 0;
    std::size_t at = 0;
    while ((at = playlist.find("#EXTINF:", at)) != std::string::npos) listed += std::stod(playlist.substr(at += 8));
    EXPECT_NEAR(listed, probed.facts->durationSeconds, 0.002) << playlist;
    EXPECT_NE(playlist.find("#EXTINF:4.000,\nfilm.mkv?part=0\n#EXTINF:4.000,\nfilm.mkv?part=1\n"), std::string::npos)
        << playlist;
    EXPECT_NE(playlist.find("#EXT-X-TARGETDURATION:4\n"), std::string::npos);
    EXPECT_TRUE(playlist.ends_with("film.mkv?part=2\n#EXT-X-ENDLIST\n")) << playlist;
}

TEST_F(Segments, EachSegmentStartsWithAKeyFrameAndGoesOnWhereTheLastEnded) {
    const ProbeResult probed = probeStreams(*folder / "film.mkv");
    ASSERT_TRUE(probed.facts) << probed.failure;
    const SegmentPlan plan = planSegments(probed.facts->keyFrames, probed.facts->durationSeconds);
    const auto file = platform::RegularFileReader::open(*folder / "film.mkv");
    // A late one first, cold, then the earlier ones.
    for (const std::size_t k : {2u, 0u, 1u}) {
        const SegmentBytes made = remuxSegment(*file, "film.mkv", plan, k, true);
        ASSERT_EQ(made.failure, "");
        expectSegmentOfPlan(made.bytes, plan, k);
    }
}

TEST_F(Segments, ConvertedSegmentsStartWithKeyFramesAndGoOnWhereTheLastEnded) {
    const auto file = platform::RegularFileReader::open(*folder / "film.avi");
    const ProbeResult probed = probeStreams(*folder / "film.avi");
    ASSERT_TRUE(probed.facts) << probed.failure;
    const SegmentPlan plan = planSegments({}, probed.facts->durationSeconds);
    ASSERT_EQ(plan.starts.size(), 3u);
    const std::atomic<bool> stop{false};
    std::vector<std::size_t> made;
    const auto expectNext = [&](std::size_t k, std::string&& bytes) {
        made.push_back(k);
        expectSegmentOfPlan(bytes, plan, k);
        return true;
    };
    // Cold at the last segment, then from the start; the second run is ended
    // after its first segment.
    transcodeSegments(*file, "film.avi", plan, 2, stop, expectNext);
    transcodeSegments(*file, "film.avi", plan, 0, stop, [&](std::size_t k, std::string&& bytes) {
        expectNext(k, std::move(bytes));
        return k < 1;
    });
    EXPECT_EQ(made, (std::vector<std::size_t>{2, 0, 1}));
}

// A phone's picture recorded on its side (turned a quarter by its display
// matrix) is converted upright: MPEG-TS carries no turn of its own.
TEST_F(Segments, APictureRecordedOnItsSideIsConvertedUpright) {
    const std::filesystem::path phone = std::filesystem::path(VOMRA_TEST_DATA_DIR) / "rotated.mp4";
    const auto file = platform::RegularFileReader::open(phone);
    const ProbeResult probed = probeStreams(phone);
    ASSERT_TRUE(probed.facts) << probed.failure;
    const std::atomic<bool> stop{false};
    std::string converted;
    transcodeSegments(*file, phone, planSegments({}, probed.facts->durationSeconds), 0, stop,
                      [&](std::size_t, std::string&& bytes) {
                          converted = std::move(bytes);
                          return false;
                      });
    writeFile(*folder / "upright.ts", converted);
    const ProbeResult upright = probeStreams(*folder / "upright.ts");
    ASSERT_TRUE(upright.facts) << upright.failure;
    EXPECT_EQ(std::make_pair(upright.facts->width, upright.facts->height),
              std::make_pair(probed.facts->height, probed.facts->width));
}

}  // namespace
