// The playback helper's work with the Windows build of FFmpeg, below a folder
// whose name holds Chinese characters: a film with AC-3 sound is probed, its
// playlist cut at the key frames, and a segment made with the sound
// converted to AAC; and the same film converted, its picture by x264.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>

#include "helpers/test_folder.h"
#include "playback/media_probe.h"
#include "playback/play_decision.h"
#include "playback/segment_maker.h"
#include "playback/transcode_run.h"

namespace fs = std::filesystem;

namespace {

// A segment's streams, as the probe reads them from the file it is written to.
ProbeResult probeWritten(const std::string& bytes, const fs::path& file) {
    std::ofstream(file, std::ios::binary) << bytes;
    return probeStreams(file);
}

TEST(PlaybackOnWindows, AFilmWithAc3SoundIsRepackagedAndConverted) {
    const TestFolder folder(L"播放 助手");
    const fs::path film = folder.path() / L"电影.mkv";
    fs::copy_file(fs::path(VOMRA_TEST_DATA_DIR) / "film_ac3.mkv", film);

    const ProbeResult probed = probeStreams(film);
    ASSERT_TRUE(probed.facts) << probed.failure;
    EXPECT_EQ(probed.facts->audioCodec, "ac3");
    const PlayDecision decision = decidePlayback(*probed.facts, {});
    EXPECT_EQ(decision, (PlayDecision{PlayMode::remux, true}));
    const SegmentPlan plan = planSegments(probed.facts->keyFrames, probed.facts->durationSeconds);
    EXPECT_EQ(plan.starts, (std::vector<double>{0, 4}));

    const auto file = platform::RegularFileReader::open(film);
    const SegmentBytes segment = remuxSegment(*file, film, plan, 1, decision.convertSound);
    ASSERT_EQ(segment.failure, "");
    ASSERT_FALSE(segment.bytes.empty());
    EXPECT_EQ(segment.bytes[0], 0x47);
    const ProbeResult made = probeWritten(segment.bytes, folder.path() / L"片段1.ts");
    ASSERT_TRUE(made.facts) << made.failure;
    EXPECT_EQ(made.facts->videoCodec, "h264");
    EXPECT_EQ(made.facts->audioCodec, "aac");

    const std::atomic<bool> stop{false};
    std::vector<ProbeResult> converted;
    transcodeSegments(
        *file, film, planSegments({}, probed.facts->durationSeconds), 0, stop, [&](std::size_t k, std::string&& bytes) {
            converted.push_back(probeWritten(bytes, folder.path() / (L"转换" + std::to_wstring(k) + L".ts")));
            return true;
        });
    ASSERT_EQ(converted.size(), 2u);
    for (const ProbeResult& segment : converted) {
        ASSERT_TRUE(segment.facts) << segment.failure;
        EXPECT_EQ(segment.facts->videoCodec, "h264");
        EXPECT_EQ(segment.facts->audioCodec, "aac");
        EXPECT_EQ(segment.facts->height, probed.facts->height);
    }
}

}  // namespace
