// Subtitles made ready for the TV page: the encodings Chinese subtitle files
// come in, a GBK sidecar file and the text streams of a Matroska film made
// here with the ffmpeg tool, each turned into WebVTT with their times and
// text, and the names the page shows for them.
#include <gtest/gtest.h>

#include "platform/process.h"
#include "playback/media_probe.h"
#include "playback/sidecar_subtitles.h"
#include "playback/subtitle_text.h"
#include "playback/track_labels.h"
#include "playback/webvtt_conversion.h"
#include "tests/common/test_folder.h"

namespace {

const std::string kChinese = "中文字幕";
const std::string kGbkChinese = "\xD6\xD0\xCE\xC4\xD7\xD6\xC4\xBB";
// Two cues, the second in italics (which the page shows plain), with
// Windows line ends.
const std::string kSrtAround =
    "1\r\n00:00:01,000 --> 00:00:02,500\r\n@\r\n\r\n"
    "2\r\n00:00:03,000 --> 00:00:04,000\r\n<i>second</i> line\r\n";

std::string srtWith(const std::string& firstText) {
    std::string text = kSrtAround;
    return text.replace(text.find('@'), 1, firstText);
}

TEST(SubtitleText, EachEncodingComesOutAsUtf8WithoutItsMark) {
    using platform::TextEncoding;
    EXPECT_EQ(textEncodingOf(kGbkChinese), TextEncoding::gb18030);
    EXPECT_EQ(subtitleTextToUtf8("1 " + kGbkChinese + "\n"), "1 " + kChinese + "\n");
    EXPECT_EQ(textEncodingOf(kChinese), std::nullopt);
    EXPECT_EQ(subtitleTextToUtf8(kChinese), kChinese);
    EXPECT_EQ(subtitleTextToUtf8("\xEF\xBB\xBF" + kChinese), kChinese);
    // "中文" with "A" between, little-endian behind its mark.
    const std::string utf16le("\xFF\xFE\x2D\x4E\x41\x00\x87\x65", 8);
    EXPECT_EQ(textEncodingOf(utf16le), TextEncoding::utf16le);
    EXPECT_EQ(subtitleTextToUtf8(utf16le), "中A文");
    EXPECT_EQ(subtitleTextToUtf8(std::string("\xFE\xFF\x4E\x2D\x00\x41", 6)), "中A");
    // UTF-8 cut in the middle of a character is no UTF-8.
    EXPECT_EQ(textEncodingOf(kChinese.substr(0, 4)), TextEncoding::gb18030);
}

TEST(SidecarSubtitles, AGbkSrtFileBecomesWebVttWithItsTimesAndText) {
    const auto vtt = sidecarWebVtt(subtitleTextToUtf8(srtWith(kGbkChinese)), ".SRT");
    ASSERT_TRUE(vtt);
    EXPECT_TRUE(vtt->starts_with("WEBVTT\n")) << *vtt;
    EXPECT_NE(vtt->find("00:01.000 --> 00:02.500\n" + kChinese + "\n"), std::string::npos) << *vtt;
    EXPECT_NE(vtt->find("00:03.000 --> 00:04.000\nsecond line\n"), std::string::npos) << *vtt;
}

TEST(SidecarSubtitles, OnlyTheVideosOwnSubtitleNamesAreTaken) {
    const std::vector<std::string> names{"片名.mkv",     "片名.srt",     "片名.chs.srt", "片名.ENG.Ass", "片名2.srt",
                                         "片名.srt.txt", "片名.a.b.srt", "片名..srt",    "片名.idx",     "other.srt"};
    EXPECT_EQ(sidecarSuffixes(names, pathOf("季/片名.mkv")), (std::vector<std::string>{"ENG.Ass", "chs.srt", "srt"}));
    for (const char* suffix : {"../a.srt", "a/b.srt", "a\\b.srt", ".srt", "srt.mkv", "", "a.b.vtt"})
        EXPECT_FALSE(isSidecarSuffix(suffix)) << suffix;
    EXPECT_EQ(sidecarLabel("chs.srt"), "简体");
    EXPECT_EQ(sidecarLabel("zh-TW.ass"), "繁体");
    EXPECT_EQ(sidecarLabel("en_US.vtt"), "英文");
    EXPECT_EQ(sidecarLabel("导演评论.srt"), "导演评论");
    EXPECT_EQ(sidecarLabel("srt"), "字幕");
}

TEST(TrackLabels, LanguageThenTitleThenNumber) {
    const std::vector<TrackFacts> sounds{{1, "aac", "chi", ""}, {2, "aac", "YUE", ""}, {3, "ac3", "", "导演评论"},
                                         {4, "aac", "und", ""}, {5, "aac", "eng", ""}, {6, "aac", "eng", "评论"}};
    std::vector<std::string> labels = trackLabels(sounds, TrackKind::sound);
    numberRepeats(labels);
    EXPECT_EQ(labels, (std::vector<std::string>{"国语", "粤语", "导演评论", "音轨 4", "英语", "英语 2"}));
    EXPECT_EQ(languageLabel("jpn", TrackKind::subtitle), "日文");
    EXPECT_EQ(languageLabel("cmn", TrackKind::sound), "国语");
}

class EmbeddedSubtitles : public ::testing::Test {
protected:
    // Six seconds of picture with the cues as SubRip and as ASS in
    // Matroska, and as mov_text in MP4; no sound, whose encoder delay would
    // move the cues by its length. And the picture with Blu-ray (PGS)
    // subtitles only: two empty display sets, written out by hand.
    static void SetUpTestSuite() {
        folder = new TestFolder("embedded subtitles");
        writeFile(*folder / "cues.srt", srtWith(kChinese));
        const std::string cues = utf8Of(*folder / "cues.srt");
        // clang-format off
        const std::vector<std::string> arguments{
            "-loglevel", "error", "-f", "lavfi", "-i", "testsrc2=s=160x96:r=25:d=6", "-i", cues, "-i", cues,
            "-map", "0", "-map", "1", "-map", "2", "-c:v", "libx264", "-preset", "ultrafast",
            "-c:s:0", "srt", "-c:s:1", "ass", "-metadata:s:s:0", "language=chi", "-metadata:s:s:1", "title=特效",
            utf8Of(*folder / "film.mkv")};
        // clang-format on
        ASSERT_EQ(platform::runProgram("ffmpeg", arguments).exitCode, 0);
        ASSERT_EQ(platform::runProgram(
                      "ffmpeg", {"-loglevel", "error", "-i", utf8Of(*folder / "film.mkv"), "-map", "0:0", "-map", "0:1",
                                 "-c:v", "copy", "-c:s", "mov_text", utf8Of(*folder / "film.mp4")})
                      .exitCode,
                  0);
        writeFile(*folder / "pgs.sup", std::string("PG\0\0\x8c\xa0\0\0\0\0\x80\0\0"
                                                   "PG\0\x02\x25\x10\0\0\0\0\x80\0\0",
                                                   26));
        ASSERT_EQ(platform::runProgram("ffmpeg", {"-loglevel", "error", "-i", utf8Of(*folder / "film.mp4"), "-i",
                                                  utf8Of(*folder / "pgs.sup"), "-map", "0:0", "-map", "1", "-c", "copy",
                                                  utf8Of(*folder / "pgs.mkv")})
                      .exitCode,
                  0);
    }
    static void TearDownTestSuite() {
        delete folder;
        folder = nullptr;
    }
    static inline TestFolder* folder = nullptr;
};

TEST_F(EmbeddedSubtitles, TheProbeOffersTheTextStreamsAndMarksPictureOnes) {
    const ProbeResult probed = probeStreams(*folder / "film.mkv");
    ASSERT_TRUE(probed.facts) << probed.failure;
    ASSERT_EQ(probed.facts->textSubtitles.size(), 2u);
    EXPECT_EQ(probed.facts->textSubtitles[0].streamIndex, 1);
    EXPECT_EQ(trackLabels(probed.facts->textSubtitles, TrackKind::subtitle),
              (std::vector<std::string>{"中文", "特效"}));
    EXPECT_FALSE(probed.facts->pictureSubtitles);
    const ProbeResult pictures = probeStreams(*folder / "pgs.mkv");
    ASSERT_TRUE(pictures.facts) << pictures.failure;
    EXPECT_TRUE(pictures.facts->textSubtitles.empty());
    EXPECT_TRUE(pictures.facts->pictureSubtitles);
}

TEST_F(EmbeddedSubtitles, EachTextStreamBecomesWebVttWithItsTimesInOnePass) {
    for (const auto& [name, streams] :
         std::map<std::string, std::vector<int>>{{"film.mkv", {1, 2}}, {"film.mp4", {1}}}) {
        const auto file = platform::RegularFileReader::open(*folder / name);
        ASSERT_TRUE(file);
        const std::map<int, std::string> converted = embeddedWebVtt(*file, name, streams);
        ASSERT_EQ(converted.size(), streams.size()) << name;
        for (const auto& [index, vtt] : converted) {
            EXPECT_TRUE(vtt.starts_with("WEBVTT\n")) << name << index;
            EXPECT_NE(vtt.find("00:01.000 --> 00:02.500\n" + kChinese + "\n"), std::string::npos) << name << vtt;
            EXPECT_NE(vtt.find("00:03.000 --> 00:04.000\nsecond line\n"), std::string::npos) << name << vtt;
        }
    }
}

}  // namespace
