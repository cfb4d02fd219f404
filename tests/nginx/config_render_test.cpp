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
    void SetUp() override {
        service_.configTemplatePath = utf8Of(folder_ / "nginx.confbak");
        service_.configPath = utf8Of(folder_ / "nginx.conf");
        service_.passwordFilePath = "/srv/vomra/vomrixserver/server/.htpasswd";
        service_.settings = {"/home/u/视频", "电影", "guest", "secret", 8080, 5};
    }

    std::string render(const std::string& templateText) {
        writeFile(folder_ / "nginx.confbak", templateText);
        const RenderResult result = renderServerConfig(service_);
        EXPECT_TRUE(result.ok) << result.message;
        return readText(folder_ / "nginx.conf");
    }

    // In text mode, as it was written: Windows line ends read as "\n".
    static std::string readText(const std::filesystem::path& path) {
        std::ifstream in(path);
        return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    }

    TestFolder folder_{"render 配置"};
    ShareService service_;
};

TEST_F(RenderServerConfig, SubstitutesEveryPlaceholder) {
    EXPECT_EQ(render("name1|name2|name3|name4|username|password\n"),
              "/home/u/视频|/srv/vomra/vomrixserver/server/.htpasswd|8080|电影|guest|secret\n");
}

TEST_F(RenderServerConfig, CopiesATemplateWithoutPlaceholders) {
    const std::string plain = "events {}\nhttp { server { listen 80; } }\n\xE4\xB8\xAD";
    EXPECT_EQ(render(plain), plain);
}

TEST_F(RenderServerConfig, ReplacesRepeatedAndEmbeddedPlaceholders) {
    service_.settings.port = -12;
    EXPECT_EQ(render("name3 name3 name10 myusername"), "-12 -12 /home/u/视频0 myguest");
}

TEST_F(RenderServerConfig, EmptyValuesLeaveNothingBehind) {
    service_.settings.userName.clear();
    service_.settings.password.clear();
    EXPECT_EQ(render("[username][password]"), "[][]");
}

TEST_F(RenderServerConfig, InsertedValuesAreNeverSearchedAgain) {
    service_.settings.sharedFolder = "/media/password name3 name4";
    service_.settings.shareName = "username";
    const std::string rendered = render("alias \"name1/\"; location \"/name4/\"");
    EXPECT_EQ(rendered, "alias \"/media/password name3 name4/\"; location \"/username/\"");
    EXPECT_EQ(rendered.find("secret"), std::string::npos);
}

TEST_F(RenderServerConfig, EscapesWhatNginxReadsInsideDoubleQuotes) {
    service_.settings.sharedFolder = "/media/a\"b";
    service_.settings.shareName = "x\"y\\z";
    service_.passwordFilePath = "/p\"q/.htpasswd";
    EXPECT_EQ(render("\"name1\" \"name2\" \"name4\""), "\"/media/a\\\"b\" \"/p\\\"q/.htpasswd\" \"x\\\"y\\\\z\"");
}

// On POSIX a backslash is part of a file name: it stays, escaped for nginx.
TEST_F(RenderServerConfig, BackslashesBecomeSlashesOnlyWhereTheySeparatePaths) {
    service_.settings.sharedFolder = "D:\\Videos\\Films";
    const bool backslashSeparates = platform::kPathSeparator == L'\\';
    EXPECT_EQ(render("name1"), backslashSeparates ? "D:/Videos/Films" : "D:\\\\Videos\\\\Films");
}

TEST_F(RenderServerConfig, RenderingTwiceGivesTheSameFile) {
    const std::string first = render("alias name1; listen name3;");
    EXPECT_EQ(render("alias name1; listen name3;"), first);
}

TEST_F(RenderServerConfig, MissingTemplateIsReportedAndKeepsTheOldConfiguration) {
    writeFile(folder_ / "nginx.conf", "old");
    const RenderResult result = renderServerConfig(service_);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(service_.configTemplatePath), std::string::npos) << result.message;
    EXPECT_EQ(readFile(folder_ / "nginx.conf"), "old");
}

TEST_F(RenderServerConfig, UnwritableConfigurationIsReported) {
    writeFile(folder_ / "nginx.confbak", "name3");
    std::filesystem::create_directory(folder_ / "nginx.conf");
    const RenderResult result = renderServerConfig(service_);
    EXPECT_FALSE(result.ok);
    EXPECT_NE(result.message.find(service_.configPath), std::string::npos) << result.message;
}

}  // namespace
