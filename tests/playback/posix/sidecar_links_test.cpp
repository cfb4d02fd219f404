// Sidecar subtitles are read as nginx would serve them: never through a
// linked folder, never from a denied path, and only under the video's own
// name. Links are made here, so this runs on POSIX systems.
#include <gtest/gtest.h>

#include "platform/paths.h"
#include "playback/sidecar_subtitles.h"
#include "tests/common/test_folder.h"

namespace {

class SidecarLinks : public ::testing::Test {
protected:
    void SetUp() override {
        std::filesystem::create_directories(folder / "季");
        writeFile(folder / "季/片名.mkv", "not read here");
        writeFile(folder / "季/片名.chs.srt", "1\n00:00:01,000 --> 00:00:02,000\n中文\n");
        writeFile(folder / "季/片名.eng.srt", "1\n00:00:01,000 --> 00:00:02,000\nEnglish\n");
        std::filesystem::create_directory_symlink(folder / "季", folder / "链接");
        shared = platform::LinkFreeDirectory::open(folder.path());
        ASSERT_TRUE(shared);
    }
    TestFolder folder{"sidecar links"};
    std::unique_ptr<platform::LinkFreeDirectory> shared;
};

TEST_F(SidecarLinks, TheVideosOwnSidecarsAreOfferedAndRead) {
    EXPECT_EQ(servedSidecars(*shared, pathOf("季/片名.mkv"), {}), (std::vector<std::string>{"chs.srt", "eng.srt"}));
    EXPECT_EQ(readSidecar(*shared, pathOf("季/片名.mkv"), "eng.srt", {}),
              "1\n00:00:01,000 --> 00:00:02,000\nEnglish\n");
}

TEST_F(SidecarLinks, NothingThroughALinkedFolderOrOnADeniedPath) {
    EXPECT_EQ(servedSidecars(*shared, pathOf("链接/片名.mkv"), {}), std::vector<std::string>{});
    EXPECT_EQ(readSidecar(*shared, pathOf("链接/片名.mkv"), "chs.srt", {}), std::nullopt);
    const std::vector<std::string> denied{platform::utf8FromPath(pathOf("季/片名.chs.srt"))};
    EXPECT_EQ(servedSidecars(*shared, pathOf("季/片名.mkv"), denied), std::vector<std::string>{"eng.srt"});
    EXPECT_EQ(readSidecar(*shared, pathOf("季/片名.mkv"), "chs.srt", denied), std::nullopt);
    EXPECT_EQ(readSidecar(*shared, pathOf("季/片名.mkv"), "../片名.eng.srt", {}), std::nullopt);
}

}  // namespace
