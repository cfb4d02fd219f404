// The walk for links to the program's files: hard links found by the file
// they name, whatever their own name; other files left alone.
#include "nginx/link_guard.h"

#include <gtest/gtest.h>

#include "tests/common/test_folder.h"

namespace fs = std::filesystem;

namespace {

class LinkGuard : public ::testing::Test {
protected:
    void SetUp() override {
        fs::create_directories(paths_.configFile.parent_path());
        fs::create_directories(paths_.errorLog.parent_path());
        fs::create_directories(shared_ / native("子目录"));
        writeFile(paths_.settingsFile, "{\"password\": \"secret\"}");
        fs::path temporarySettings = paths_.settingsFile;
        temporarySettings += ".tmp";
        writeFile(temporarySettings, "{\"password\": \"next\"}");
        writeFile(paths_.passwordFile, "guest:hash");
        writeFile(paths_.configFile, "events {}");
        writeFile(paths_.errorLog.parent_path() / "access.log", "GET /");
        settings_.sharedFolder = utf8Of(shared_);
        // A file of the user's own with two names, in every test.
        writeFile(shared_ / "own.txt", "mine");
        std::error_code error;
        fs::create_hard_link(shared_ / "own.txt", shared_ / native("子目录/own again.txt"), error);
        if (error) GTEST_SKIP() << "no hard links here: " << error.message();
    }

    void hardLink(const fs::path& file, const std::string& name) const {
        fs::create_hard_link(file, shared_ / native(name));
    }

    // A path below the shared folder as the walk spells it.
    static fs::path native(const std::string& path) { return pathOf(path).make_preferred(); }

    std::vector<std::string> found() const { return pathsThroughLinksToProgramFiles(settings_, paths_); }

    TestFolder folder_{"link guard 链接"};
    InstallPaths paths_{folder_ / "program"};
    fs::path shared_ = folder_ / "共享";  // TestFolder's "/" reads UTF-8
    ShareSettings settings_;
};

TEST_F(LinkGuard, HardLinksToTheSettingsThePasswordAndTheServersFilesAreFound) {
    fs::path temporarySettings = paths_.settingsFile;
    temporarySettings += ".tmp";
    hardLink(paths_.settingsFile, "备份.txt");
    hardLink(temporarySettings, "子目录/next");
    hardLink(paths_.passwordFile, "p");
    hardLink(paths_.configFile, "子目录/conf.txt");
    hardLink(paths_.errorLog.parent_path() / "access.log", "log.txt");
    std::vector<std::string> expected{"log.txt", "p", "备份.txt", utf8Of(native("子目录/conf.txt")),
                                      utf8Of(native("子目录/next"))};
    std::error_code noSymbolicLinks;  // Wine, and Windows without developer mode
    fs::create_symlink(paths_.settingsFile, shared_ / native("设置"), noSymbolicLinks);
    if (!noSymbolicLinks) expected.push_back("设置");
    EXPECT_EQ(found(), expected);
}

// A file of the user's own with two names, and a copy of the settings file
// (the same bytes, another file), are served as any other.
TEST_F(LinkGuard, OtherFilesWithSeveralNamesAndCopiesAreLeftAlone) {
    fs::copy_file(paths_.settingsFile, shared_ / "copy.data");
    EXPECT_TRUE(found().empty());
}

// The settings file is replaced at every save: a name of the old file then
// names a file that is no longer the program's.
TEST_F(LinkGuard, ALinkToAFileSinceReplacedNoLongerCounts) {
    hardLink(paths_.settingsFile, "old.data");
    ASSERT_EQ(found(), std::vector<std::string>{"old.data"});
    writeFile(folder_ / "new.data", "{}");
    fs::rename(folder_ / "new.data", paths_.settingsFile);
    EXPECT_TRUE(found().empty());
}

// Stop does not wait for a walk through a large folder.
TEST_F(LinkGuard, AStoppedWalkEndsAtOnce) {
    hardLink(paths_.settingsFile, "备份.txt");
    std::stop_source stop;
    stop.request_stop();
    EXPECT_TRUE(pathsThroughLinksToProgramFiles(settings_, paths_, stop.get_token()).empty());
}

}  // namespace
