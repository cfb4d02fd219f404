// isVideoFile and scanVideos on Windows paths: drive letters, backslashes,
// network shares and names that carry a stream after ":".
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <vector>

#include "helpers/test_folder.h"
#include "thumbs/video_discovery.h"

namespace fs = std::filesystem;

namespace {

TEST(WindowsVideoPaths, DriveLettersSharesAndBothSeparators) {
    EXPECT_TRUE(isVideoFile(L"C:\\Videos\\CLIP.MP4"));
    EXPECT_TRUE(isVideoFile(L"C:/Videos/clip.mov"));
    EXPECT_TRUE(isVideoFile(L"D:clip.mkv"));
    EXPECT_TRUE(isVideoFile(L"\\\\nas\\share\\电影\\第一集.avi"));
    EXPECT_FALSE(isVideoFile(L"C:\\clip.mp4\\readme.txt"));
    EXPECT_FALSE(isVideoFile(L"C:\\Videos\\"));
    EXPECT_FALSE(isVideoFile(L"C:\\Videos\\.mp4"));
    EXPECT_FALSE(isVideoFile(L"C:"));
}

// "name:stream" names a stream of the file "name"; the extension is the file's.
TEST(WindowsVideoPaths, TheFileNameEndsAtItsFirstColon) {
    EXPECT_TRUE(isVideoFile(L"E:\\movie.mkv:Zone.Identifier"));
    EXPECT_TRUE(isVideoFile(L"E:\\movie.MP4::$DATA"));
    EXPECT_FALSE(isVideoFile(L"E:\\notes.txt:hidden.mp4"));
    EXPECT_FALSE(isVideoFile(L"E:\\movie:.mp4"));
}

class WindowsVideoScan : public testing::Test {
protected:
    WindowsVideoScan() : folder_(L"video scan"), root_(folder_.path() / L"视频 库") {
        for (const wchar_t* file : {L"a\\clip.mp4", L"a\\b\\v.AVI", L"c.mkv", L"notes.txt", L"d.mp4\\inner.wmv"}) {
            const fs::path path = root_ / file;
            fs::create_directories(path.parent_path());
            std::ofstream(path) << "x";
        }
    }

    // What scanVideos finds below `root`, in walk order, as text.
    static std::vector<std::wstring> scanned(const fs::path& root) {
        std::vector<std::wstring> found;
        for (const fs::path& video : scanVideos(root)) found.push_back(video.native());
        return found;
    }

    TestFolder folder_;
    fs::path root_;
};

TEST_F(WindowsVideoScan, JoinsTheRootAndTheEntriesWithBackslashes) {
    const std::wstring root = root_.native();
    std::vector<std::wstring> found = scanned(root);
    const auto at = [&](const std::wstring& path) { return std::find(found.begin(), found.end(), path); };
    EXPECT_LT(at(root + L"\\a\\clip.mp4"), found.end());
    EXPECT_LT(at(root + L"\\a\\b\\v.AVI"), found.end());
    std::sort(found.begin(), found.end());
    EXPECT_EQ(found, (std::vector<std::wstring>{root + L"\\a\\b\\v.AVI", root + L"\\a\\clip.mp4", root + L"\\c.mkv",
                                                root + L"\\d.mp4\\inner.wmv"}));
}

TEST_F(WindowsVideoScan, WalksDepthFirstInPreOrder) {
    const std::wstring root = root_.native();
    const std::vector<std::wstring> found = scanned(root);
    const auto at = [&](const std::wstring& path) { return std::find(found.begin(), found.end(), path); };
    // Whatever the listing order, a\b\v.AVI comes right before or right after a\clip.mp4.
    ASSERT_NE(at(root + L"\\a\\clip.mp4"), found.end());
    EXPECT_EQ(std::abs(at(root + L"\\a\\clip.mp4") - at(root + L"\\a\\b\\v.AVI")), 1);
}

TEST_F(WindowsVideoScan, KeepsTheRootAsPassedIn) {
    const std::wstring withSlashes = fs::path(root_).generic_wstring();
    EXPECT_EQ(scanned(withSlashes + L"/").size(), 4u);
    for (const std::wstring& video : scanned(withSlashes + L"/"))
        EXPECT_EQ(video.rfind(withSlashes + L"/", 0), 0u) << "no second separator after the root's own";
    for (const std::wstring& video : scanned(withSlashes)) EXPECT_EQ(video.rfind(withSlashes + L"\\", 0), 0u);
}

TEST_F(WindowsVideoScan, MissingRootsAndFileRootsGiveNothing) {
    EXPECT_TRUE(scanVideos(root_ / L"不存在").empty());
    EXPECT_TRUE(scanVideos(root_ / L"c.mkv").empty());
    EXPECT_TRUE(scanVideos(L"Q:\\nowhere").empty());
}

}  // namespace
