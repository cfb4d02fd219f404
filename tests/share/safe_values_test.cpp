#include "share/safe_values.h"

#include <gtest/gtest.h>

#include "platform/paths.h"
#include "tests/share/safe_service.h"

namespace {

class SafeValues : public ::testing::Test {
protected:
    static std::optional<std::string> unsafe(void (*change)(SafeService&)) {
        SafeService service = safeService();
        change(service);
        return findUnsafeValue(service);
    }
};

TEST_F(SafeValues, OrdinarySettingsAreSafe) {
    EXPECT_EQ(findUnsafeValue(safeService()), std::nullopt);
}

// Programs get their values as arguments and on their standard input, where
// no character means more than itself: only what htpasswd and nginx cannot
// take is refused.
TEST_F(SafeValues, QuotesPercentDollarsAndBlanksAreTaken) {
    SafeService service = safeService();
    service.settings.userName = "o\"brien 100% $HOME 'q' %PATH%";
    service.settings.password = "\"50%off\" $x 'y' `id` \\";
    service.programDir = std::filesystem::temp_directory_path() / "100% \"a\" 'b'";
    EXPECT_EQ(findUnsafeValue(service), std::nullopt);
}

TEST_F(SafeValues, EveryUnsafeValueIsNamedOneALineInTheWindowsOrder) {
    SafeService service = safeService();
    service.settings.port = 0;
    service.settings.shareName = "a/b";
    service.settings.password.clear();
    EXPECT_EQ(findUnsafeValue(service),
              "共享名字：不能含有 / \\ ? # % $ \" 或控制字符。\n"
              "设置端口：端口必须在 1 到 65535 之间。\n"
              "密码：请填写密码。");
}

TEST_F(SafeValues, PortMustBeOneTo65535) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.port = 0; }), "设置端口：端口必须在 1 到 65535 之间。");
    EXPECT_TRUE(unsafe([](SafeService& s) { s.settings.port = 65536; }));
    EXPECT_TRUE(unsafe([](SafeService& s) { s.settings.port = -80; }));
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.port = 1; }));
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.port = 65535; }));
}

TEST_F(SafeValues, ShareNameIsOnePlainSegmentOfTheAddress) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.shareName.clear(); }), "共享名字：请填写共享名字。");
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.shareName = ".."; }), "共享名字：不能是“.”或“..”。");
    for (const char* bad : {"a/b", "a\\b", "a?b", "a#b", "a%20", "a$b", "a\"b", "a\tb", "a\x7F"}) {
        SafeService service = safeService();
        service.settings.shareName = bad;
        EXPECT_EQ(findUnsafeValue(service), "共享名字：不能含有 / \\ ? # % $ \" 或控制字符。") << bad;
    }
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.shareName = "...movies {x}; 'y'"; }));
    // 255 bytes of UTF-8 at most: 85 Chinese characters fit, 86 do not.
    SafeService service = safeService();
    service.settings.shareName.clear();
    for (int i = 0; i < 85; ++i) service.settings.shareName += "影";
    EXPECT_FALSE(findUnsafeValue(service));
    service.settings.shareName += "a";
    EXPECT_EQ(findUnsafeValue(service), "共享名字：最长 255 个字节（一个汉字占 3 个字节）。");
}

TEST_F(SafeValues, FolderIsAWholePathWithoutVariablesOrControls) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.sharedFolder.clear(); }),
              "设置共享文件夹：请填写要共享的文件夹。");
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.sharedFolder = "videos"; }),
              "设置共享文件夹：请填写完整的路径（从根目录或盘符开始）。");
    EXPECT_TRUE(unsafe([](SafeService& s) { s.settings.sharedFolder = "./videos"; }));
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.sharedFolder += "$HOME"; }),
              "设置共享文件夹：路径中不能含有“$”或控制字符。");
    EXPECT_TRUE(unsafe([](SafeService& s) { s.settings.sharedFolder += "\n"; }));
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.sharedFolder += " \"a\" {b}; c"; }));
}

TEST_F(SafeValues, UserNameIsNonEmptyWithoutColonOrLeadingHash) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.userName.clear(); }), "用户名：请填写用户名。");
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.userName = "a:b"; }), "用户名：不能含有“:”或控制字符。");
    EXPECT_TRUE(unsafe([](SafeService& s) { s.settings.userName = "a\rb"; }));
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.userName = "#guest"; }), "用户名：不能以“#”开头。");
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.userName = "guest#1"; }));
}

TEST_F(SafeValues, PasswordReachesHtpasswdAsOneLine) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.password = "a\nb"; }), "密码：不能含有控制字符。");
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.password.clear(); }), "密码：请填写密码。");
}

// htpasswd takes at most 254 bytes of password; a Chinese character is 3.
TEST_F(SafeValues, PasswordFitsHtpasswd) {
    EXPECT_FALSE(unsafe([](SafeService& s) { s.settings.password = std::string(254, 'a'); }));
    EXPECT_EQ(unsafe([](SafeService& s) { s.settings.password = std::string(255, 'a'); }),
              "密码：最长 254 个字节（一个汉字占 3 个字节）。");
    std::string chinese;
    for (int i = 0; i < 84; ++i) chinese += "密";
    SafeService service = safeService();
    service.settings.password = chinese + "ab";
    EXPECT_EQ(findUnsafeValue(service), std::nullopt);
    service.settings.password = chinese + "码";
    EXPECT_TRUE(findUnsafeValue(service)) << "85 characters, 255 bytes";
}

TEST_F(SafeValues, ProgramDirectoryWithADollarIsRefused) {
    EXPECT_EQ(unsafe([](SafeService& s) { s.programDir /= "$x"; }),
              "程序所在的文件夹路径中不能含有“$”或控制字符，请把程序移到别的文件夹。");
}

}  // namespace
