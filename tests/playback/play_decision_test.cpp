// Each kind of video households keep, made by the ffmpeg tool at test time,
// probed as the program probes it, and the way it reaches two browsers: one
// that plays only what every browser plays, and one (a TV's) that also plays
// HEVC, Matroska and AC-3.
#include <gtest/gtest.h>

#include <map>

#include "platform/process.h"
#include "playback/media_probe.h"
#include "playback/play_decision.h"
#include "tests/common/test_folder.h"

void PrintTo(const PlayDecision& decision, std::ostream* out) {
    static const std::map<PlayMode, const char*> names{
        {PlayMode::asItIs, "as it is"}, {PlayMode::remux, "remux"}, {PlayMode::transcode, "transcode"}};
    *out << names.at(decision.mode) << (decision.convertSound ? ", sound to AAC" : "");
}

namespace {

struct Kind {
    std::string file;
    std::vector<std::string> encoding;  // the ffmpeg tool's output options
    PlayDecision plain;
    PlayDecision tv;
};

constexpr PlayDecision kAsItIs{PlayMode::asItIs, false};
constexpr PlayDecision kRemux{PlayMode::remux, false};
constexpr PlayDecision kRemuxNewSound{PlayMode::remux, true};
constexpr PlayDecision kTranscode{PlayMode::transcode, true};

const std::vector<std::string> kH264{"-c:v", "libx264", "-pix_fmt", "yuv420p", "-preset", "ultrafast"};

std::vector<std::string> joined(std::vector<std::string> first, const std::vector<std::string>& second) {
    first.insert(first.end(), second.begin(), second.end());
    return first;
}

const std::vector<Kind>& kinds() {
    static const std::vector<Kind> all{
        {"h264 aac.mp4", joined(kH264, {"-c:a", "aac"}), kAsItIs, kAsItIs},
        {"h264 aac.mov", joined(kH264, {"-c:a", "aac"}), kAsItIs, kAsItIs},
        {"vp9 opus.webm", {"-c:v", "libvpx-vp9", "-deadline", "realtime", "-c:a", "libopus"}, kAsItIs, kAsItIs},
        {"h264 ac3.mkv", joined(kH264, {"-c:a", "ac3"}), kRemuxNewSound, kAsItIs},
        {"hevc aac.mp4",
         {"-c:v", "libx265", "-preset", "ultrafast", "-x265-params", "log-level=error", "-tag:v", "hvc1", "-c:a",
          "aac"},
         kTranscode,
         kAsItIs},
        {"h264 10 bit.mkv",
         {"-c:v", "libx264", "-pix_fmt", "yuv420p10le", "-preset", "ultrafast", "-c:a", "aac"},
         kTranscode,
         kTranscode},
        {"h264 ac3.ts", joined(kH264, {"-c:a", "ac3"}), kRemuxNewSound, kRemux},
        {"h264 aac.flv", joined(kH264, {"-c:a", "aac"}), kRemux, kRemux},
        {"mpeg2 mp2.mpg", {"-c:v", "mpeg2video", "-c:a", "mp2"}, kTranscode, kTranscode},
        {"xvid mp3.avi", {"-c:v", "mpeg4", "-vtag", "XVID", "-c:a", "libmp3lame"}, kTranscode, kTranscode},
        {"wmv2 wma.wmv", {"-c:v", "wmv2", "-c:a", "wmav2"}, kTranscode, kTranscode},
        {"real video.rm", {"-c:v", "rv20", "-c:a", "ac3"}, kTranscode, kTranscode},
    };
    return all;
}

class PlayDecisionTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        folder = new TestFolder("playback kinds");
        for (const Kind& kind : kinds()) {
            const std::vector<std::string> input{
                "-hide_banner", "-loglevel", "error", "-f",       "lavfi", "-i", "testsrc2=s=160x96:r=25:d=1",
                "-f",           "lavfi",     "-i",    "sine=d=1", "-ac",   "2"};
            auto arguments = joined(joined(input, kind.encoding), {utf8Of(*folder / kind.file)});
            ASSERT_EQ(platform::runProgram("ffmpeg", arguments).exitCode, 0) << kind.file;
        }
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }

    static StreamFacts probed(const std::string& file) {
        const ProbeResult result = probeStreams(*folder / file);
        EXPECT_TRUE(result.facts) << file << ": " << result.failure;
        return result.facts.value_or(StreamFacts{});
    }

    static inline TestFolder* folder = nullptr;
};

TEST_F(PlayDecisionTest, EveryKindPlaysInBothBrowsersWithPictureAndSound) {
    const BrowserAbilities plain;
    const BrowserAbilities tv{true, true, true};
    for (const Kind& kind : kinds()) {
        const StreamFacts facts = probed(kind.file);
        EXPECT_EQ(decidePlayback(facts, plain), kind.plain)
            << kind.file << " (" << facts.videoCodec << ", " << facts.audioCodec << ", " << facts.container << ")";
        EXPECT_EQ(decidePlayback(facts, tv), kind.tv) << kind.file;
    }
}

TEST_F(PlayDecisionTest, TheProbeReadsSizeDepthDurationAndTheSoundTrack) {
    const StreamFacts deep = probed("h264 10 bit.mkv");
    EXPECT_EQ(deep.videoCodec, "h264");
    EXPECT_EQ(deep.videoBitDepth, 10);
    EXPECT_EQ(deep.width, 160);
    EXPECT_EQ(deep.height, 96);
    EXPECT_NEAR(deep.durationSeconds, 1.0, 0.1);
    EXPECT_EQ(deep.extension, ".mkv");
    EXPECT_EQ(probed("h264 ac3.mkv").audioCodec, "ac3");
    EXPECT_EQ(probed("vp9 opus.webm").extension, ".webm");
}

// A silent video is still a video; Matroska that is not WebM needs a
// browser that plays Matroska.
TEST(PlayDecision, SilentVideosAndMatroskaNamedWebm) {
    StreamFacts silent;
    silent.container = "matroska,webm";
    silent.extension = ".webm";
    silent.videoCodec = "vp9";
    silent.durationSeconds = 10;
    EXPECT_EQ(decidePlayback(silent, {}), kAsItIs);
    silent.extension = ".mkv";
    EXPECT_EQ(decidePlayback(silent, {}), kRemux);
    EXPECT_EQ(decidePlayback(silent, {false, true, false}), kAsItIs);
}

// A browser plays the first sound track of a file only: another one comes
// repackaged, converted where segments cannot carry it.
TEST(PlayDecision, AnotherSoundTrackIsRepackaged) {
    StreamFacts film;
    film.container = "mov,mp4,m4a,3gp,3g2,mj2";
    film.extension = ".mp4";
    film.videoCodec = "h264";
    film.audioCodec = "aac";
    film.durationSeconds = 10;
    film.soundTracks = {{1, "aac", "chi", ""}, {2, "ac3", "eng", ""}, {3, "aac", "yue", ""}};
    film.soundPlayedFirst = 0;
    EXPECT_EQ(decidePlayback(film, {}, 0), kAsItIs);
    EXPECT_EQ(decidePlayback(film, {}, 2), kRemux);
    EXPECT_EQ(decidePlayback(film, {}, 1), kRemuxNewSound);
    EXPECT_EQ(decidePlayback(film, {false, false, true}, 1), kRemux);
    film.videoCodec = "hevc";
    EXPECT_EQ(decidePlayback(film, {}, 1), kTranscode);
}

TEST_F(PlayDecisionTest, FilesThatAreNoVideoSayWhyInChinese) {
    writeFile(*folder / "not a video.mp4", std::string(4096, 'x'));
    const ProbeResult garbage = probeStreams(*folder / "not a video.mp4");
    EXPECT_FALSE(garbage.facts);
    EXPECT_NE(garbage.failure.find("文件已损坏"), std::string::npos) << garbage.failure;

    ASSERT_EQ(platform::runProgram("ffmpeg", {"-loglevel", "error", "-f", "lavfi", "-i", "sine=d=1", "-c:a", "aac",
                                              utf8Of(*folder / "sound only.mp4")})
                  .exitCode,
              0);
    EXPECT_EQ(probeStreams(*folder / "sound only.mp4").failure, "文件里没有画面");
    EXPECT_FALSE(probeStreams(*folder / "missing.mp4").facts);
}

}  // namespace
