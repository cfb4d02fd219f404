// Captures that cannot succeed: false, and no file anywhere.
#include "capture_test_support.h"

#include <ostream>

namespace {

// A file that gives no still, and the reason the capture gives.
struct Undecodable {
    const char* file;
    const char* reason;
};

class UndecodableCapture : public CaptureTest, public ::testing::WithParamInterface<Undecodable> {};

TEST_P(UndecodableCapture, GivesFalseNoFileAndTheReason) {
    EXPECT_FALSE(capture(fixture(GetParam().file), scratch / "still.png"));
    EXPECT_TRUE(listTree(scratch).empty());
    EXPECT_EQ(failure, GetParam().reason);
}

std::ostream& operator<<(std::ostream& out, const Undecodable& input) {
    return out << input.file;
}

const char* const notAVideo = "not a video (Invalid data found when processing input)";
// A playlist or list of files is of a format the capture does not open.
const char* const refusedFormat = "not a video (Invalid argument)";

INSTANTIATE_TEST_SUITE_P(Inputs, UndecodableCapture,
                         ::testing::Values(Undecodable{"audio_only.mp4", "no video stream"},
                                           Undecodable{"not_media.mp4", notAVideo},
                                           Undecodable{"truncated.mp4", notAVideo},
                                           Undecodable{"no_such_file.mp4", "not a regular file that may be read"},
                                           Undecodable{"looping_playlist.mp4", refusedFormat},
                                           Undecodable{"concat_list.mp4", refusedFormat}),
                         [](const ::testing::TestParamInfo<Undecodable>& info) {
                             return fileNameAsTestName({info.param.file, info.index});
                         });

// Playlists saved under a video's name: one of a URL (on a loopback port
// nothing listens on), and one whose segment is encrypted, which FFmpeg
// reads through its crypto protocol. Neither may reach another protocol.
TEST_F(CaptureTest, PlaylistsUnderAVideosNameGiveFalseAndNoFile) {
    const fs::path remote = folder.file("playlist.mp4",
                                        "#EXTM3U\n#EXT-X-TARGETDURATION:10\n#EXTINF:10,\n"
                                        "http://127.0.0.1:9/segment.ts\n#EXT-X-ENDLIST\n");
    EXPECT_FALSE(capture(remote, scratch / "remote.png"));
    EXPECT_FALSE(capture(fixture("hls_encrypted.mp4"), scratch / "encrypted.png"));
    EXPECT_EQ(listTree(scratch), std::vector<fs::path>{"playlist.mp4"});
}

TEST_F(CaptureTest, WritesOneDebugLinePerCallWhateverTheOutcome) {
    const fs::path good = fixture("clip.mp4");
    const fs::path bad = fixture("not_media.mp4");
    ::testing::internal::CaptureStderr();
    capture(good, scratch / "a.png");
    capture(bad, scratch / "b.png");
    capture(bad, scratch / "c.png");
    const std::string output = ::testing::internal::GetCapturedStderr();

    auto count = [&](const std::string& line) {
        int found = 0;
        for (auto at = output.find(line); at != std::string::npos; at = output.find(line, at + 1)) ++found;
        return found;
    };
    EXPECT_EQ(count("[FFmpeg] decode: " + good.string() + "\n"), 1) << output;
    EXPECT_EQ(count("[FFmpeg] decode: " + bad.string() + "\n"), 2) << output;
    EXPECT_EQ(count("[FFmpeg] decode: "), 3) << output;
}

}  // namespace
