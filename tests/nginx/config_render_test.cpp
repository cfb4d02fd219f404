// Rendering nginx.conf from a template on disk, and its two primitives.
#include "nginx/config_render.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/common/test_folder.h"
#include "nginx/placeholder_substitution.h"

namespace {

TEST(ReplaceAll, ReplacesLeftToRightWithoutSearchingInsertedText) {
    EXPECT_EQ(replaceAll("aaa", "a", "aa"), "aaaaaa");
    EXPECT_EQ(replaceAll("name3 and name3", "name3", "8080"), "8080 and 8080");
    EXPECT_EQ(replaceAll("abab", "aba", "x"), "xb") << "occurrences do not overlap";
    EXPECT_EQ(replaceAll("a", "abc", "x"), "a") << "word longer than the text";
    EXPECT_EQ(replaceAll("xwordx", "word", ""), "xx");
}

TEST(ReplaceAll, TurnsBackslashesIntoSlashes) {
    EXPECT_EQ(replaceAll("D:\\Videos\\Films", "\\", "/"), "D:/Videos/Films");
}

TEST(SubstitutePlaceholders, EarlierPlaceholderWinsAtTheSamePosition) {
    EXPECT_EQ(substitutePlaceholders("abc", {{"ab", "1"}, {"abc", "2"}}), "1c");
    EXPECT_EQ(substitutePlaceholders("abc", {{"abc", "2"}, {"ab", "1"}}), "2");
}

TEST(SubstitutePlaceholders, NeverSearchesInsertedText) {
    EXPECT_EQ(substitutePlaceholders("x y", {{"x", "y"}, {"y", "z"}}), "y z");
}

class RenderServerConfig : public ::testing::Test {
protected:
    void SetUp() override { std::filesystem::create_directories(paths_.configFile.parent_path()); }

    std::string render(const std::string& templateText) {
        writeFile(paths_.configTemplate, templateText);
        const RenderResult result = renderServerConfig(settings_, paths_, playback_);
        EXPECT_TRUE(result.ok) << result.message;
        return readText(paths_.configFile);
    }

    // In text mode, as it was written: Windows line ends read as "\n".
    static std::string readText(const std::filesystem::path& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TestFolder folder_{"render 配置"};
    InstallPaths paths_{folder_.path()};
    ShareSettings settings_{"/home/u/视频", "电影", "guest", "secret", 8080, 5};
    PlaybackDoor playback_{41234, "0f1e2d3c"};
};

TEST_F(RenderServerConfig, SubstitutesEveryPlaceholder) {
    const std::u8string generic = paths_.passwordFile.generic_u8string();  // nginx wants forward slashes
    const std::string passwordFile(generic.begin(), generic.end());
    EXPECT_EQ(render("name1|name2|name3|name4|name5|name6|username|password\n"),
              "/home/u/视频|" + passwordFile + "|8080|电影|41234|0f1e2d3c|guest|secret\n");
}

TEST_F(RenderServerConfig, CopiesATemplateWithoutPlaceholders) {
    const std::string plain = "events {}\nhttp { server { listen 80; } }\n\xE4\xB8\xAD";
    EXPECT_EQ(render(plain), plain);
}

TEST_F(RenderServerConfig, ReplacesRepeatedAndEmbeddedPlaceholders) {
    settings_.port = -12;
    EXPECT_EQ(render("name3 name3 name10 myusername"), "-12 -12 /home/u/视频0 myguest");
}

TEST_F(RenderServerConfig, EmptyValuesLeaveNothingBehind) {
    settings_.userName.clear();
    settings_.password.clear();
    EXPECT_EQ(render("[username][password]"), "[][]");
}

TEST_F(RenderServerConfig, InsertedValuesAreNeverSearchedAgain) {
    settings_.sharedFolder = "/media/password name3 name4";
    settings_.shareName = "username";
    const std::string rendered = render("alias \"name1/\"; location \"/name4/\"");
    EXPECT_EQ(rendered, "alias \"/media/password name3 name4/\"; location \"/username/\"");
    EXPECT_EQ(rendered.find("secret"), std::string::npos);
}

TEST_F(RenderServerConfig, EscapesWhatNginxReadsInsideDoubleQuotes) {
    settings_.sharedFolder = "/media/a\"b";
    settings_.shareName = "x\"y\\z";
    EXPECT_EQ(render("\"name1\" \"name4\""), "\"/media/a\\\"b\" \"x\\\"y\\\\z\"");
}

// On POSIX a backslash is part of a file name: it stays, escaped for nginx.
TEST_F(RenderServerConfig, BackslashesBecomeSlashesOnlyWhereTheySeparatePaths) {
    settings_.sharedFolder = "D:\\Videos\\Films";
    const bool backslashSeparates = platform::kPathSeparator == L'\\';
    EXPECT_EQ(render("name1"), backslashSeparates ? "D:/Videos/Films" : "D:\\\\Videos\\\\Films");
}

TEST_F(RenderServerConfig, RenderingTwiceGivesTheSameFile) {
    const std::string first = render("alias name1; listen name3;");
    EXPECT_EQ(render("alias name1; listen name3;"), first);
}

TEST_F(RenderServerConfig, MissingTemplateIsReportedAndKeepsTheOldConfiguration) {
    writeFile(paths_.configFile, "old");
    const RenderResult result = renderServerConfig(settings_, paths_, playback_);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(utf8Of(paths_.configTemplate)), std::string::npos) << result.message;
    EXPECT_EQ(readFile(paths_.configFile), "old");
}

TEST_F(RenderServerConfig, UnwritableConfigurationIsReported) {
    writeFile(paths_.configTemplate, "name3");
    std::filesystem::create_directory(paths_.configFile);
    const RenderResult result = renderServerConfig(settings_, paths_, playback_);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(utf8Of(paths_.configFile)), std::string::npos) << result.message;
}

// A hard link made to the configuration must not follow later ones (it may
// lie in the shared folder): the file is replaced, never written in place.
TEST_F(RenderServerConfig, AHardLinkKeepsTheOldConfiguration) {
    render("old name3");
    std::error_code error;
    std::filesystem::create_hard_link(paths_.configFile, folder_ / "copy.conf", error);
    if (error) GTEST_SKIP() << "no hard links here: " << error.message();
    render("new name3");
    EXPECT_EQ(readText(folder_ / "copy.conf"), "old 8080");
    EXPECT_EQ(readText(paths_.configFile), "new 8080");
}

}  // namespace

namespace {

// The list the running share renews: a location of its own for each path,
// the file replaced as nginx.conf is.
TEST_F(RenderServerConfig, DeniedLinksAreWrittenAloneAndReplaced) {
    render("name3");
    const std::string configuration = readText(paths_.configFile);
    std::error_code error;
    std::filesystem::create_hard_link(paths_.deniedLinksFile, folder_ / "copy.conf", error);
    if (error) GTEST_SKIP() << "no hard links here: " << error.message();

    const RenderResult written = writeDeniedLinks(settings_, paths_, {"a \"b\"/设置"});
    EXPECT_TRUE(written.ok) << written.message;
    EXPECT_EQ(written.deniedPaths, std::vector<std::string>{"a \"b\"/设置"});
    EXPECT_EQ(readText(paths_.deniedLinksFile),
              "location = \"/电影/a \\\"b\\\"/设置\" { return 404; }\n"
              "location ^~ \"/电影/a \\\"b\\\"/设置/\" { return 404; }\n");
    EXPECT_EQ(readText(folder_ / "copy.conf"), "") << "the old list keeps its text";
    EXPECT_EQ(readText(paths_.configFile), configuration);
}

}  // namespace
