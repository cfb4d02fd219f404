#include "share/safe_values.h"

#include <gtest/gtest.h>

#include "platform/paths.h"

namespace {

using platform::ShellDialect;

// The settings and the folder the program lives in.
struct Values {
    std::string programDir;
    ShareSettings settings;
};

std::optional<std::string> findUnsafeValue(const Values& values, ShellDialect dialect) {
    return findUnsafeValue(values.settings, InstallPaths(platform::pathFromUtf8(values.programDir)), dialect);
}

Values safeService(ShellDialect dialect) {
    Values service;
    const bool windows = dialect == ShellDialect::WindowsCmd;
    service.programDir = windows ? "D:\\apps" : "/opt/vomra 程序";
    service.settings = {windows ? "E:\\电影" : "/home/u/My Videos", "电影 2024", "guest user", "pa ss'&|<>!", 8080, 5};
    return service;
}

class SafeValues : public ::testing::TestWithParam<ShellDialect> {
protected:
    std::optional<std::string> unsafe(void (*change)(Values&)) const {
        Values service = safeService(GetParam());
        change(service);
        return findUnsafeValue(service, GetParam());
    }
};

INSTANTIATE_TEST_SUITE_P(BothDialects, SafeValues, ::testing::Values(ShellDialect::PosixSh, ShellDialect::WindowsCmd));

TEST_P(SafeValues, OrdinarySettingsAreSafe) {
    EXPECT_EQ(findUnsafeValue(safeService(GetParam()), GetParam()), std::nullopt);
}

TEST_P(SafeValues, PortMustBeOneTo65535) {
    EXPECT_EQ(unsafe([](Values& s) { s.settings.port = 0; }), "设置端口：端口必须在 1 到 65535 之间。");
    EXPECT_TRUE(unsafe([](Values& s) { s.settings.port = 65536; }));
    EXPECT_TRUE(unsafe([](Values& s) { s.settings.port = -80; }));
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.port = 1; }));
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.port = 65535; }));
}

TEST_P(SafeValues, ShareNameIsOnePlainSegmentOfTheAddress) {
    EXPECT_EQ(unsafe([](Values& s) { s.settings.shareName.clear(); }), "共享名字：请填写共享名字。");
    EXPECT_EQ(unsafe([](Values& s) { s.settings.shareName = ".."; }), "共享名字：不能是“.”或“..”。");
    for (const char* bad : {"a/b", "a\\b", "a?b", "a#b", "a%20", "a$b", "a\"b", "a\tb", "a\x7F"}) {
        Values service = safeService(GetParam());
        service.settings.shareName = bad;
        EXPECT_EQ(findUnsafeValue(service, GetParam()), "共享名字：不能含有 / \\ ? # % $ \" 或控制字符。") << bad;
    }
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.shareName = "...movies {x}; 'y'"; }));
    // 255 bytes of UTF-8 at most: 85 Chinese characters fit, 86 do not.
    Values service = safeService(GetParam());
    service.settings.shareName.clear();
    for (int i = 0; i < 85; ++i) service.settings.shareName += "影";
    EXPECT_FALSE(findUnsafeValue(service, GetParam()));
    service.settings.shareName += "a";
    EXPECT_EQ(findUnsafeValue(service, GetParam()), "共享名字：最长 255 个字节（一个汉字占 3 个字节）。");
}

TEST_P(SafeValues, FolderIsAWholePathWithoutVariablesOrControls) {
    EXPECT_EQ(unsafe([](Values& s) { s.settings.sharedFolder.clear(); }), "设置共享文件夹：请填写要共享的文件夹。");
    EXPECT_EQ(unsafe([](Values& s) { s.settings.sharedFolder = "videos"; }),
              "设置共享文件夹：请填写完整的路径（从根目录或盘符开始）。");
    EXPECT_EQ(unsafe([](Values& s) { s.settings.sharedFolder += "$HOME"; }),
              "设置共享文件夹：路径中不能含有“$”或控制字符。");
    EXPECT_TRUE(unsafe([](Values& s) { s.settings.sharedFolder += "\n"; }));
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.sharedFolder += " \"a\" {b}; c"; }));
}

TEST_P(SafeValues, UserNameIsNonEmptyWithoutColonOrLeadingHash) {
    EXPECT_EQ(unsafe([](Values& s) { s.settings.userName.clear(); }), "用户名：请填写用户名。");
    EXPECT_EQ(unsafe([](Values& s) { s.settings.userName = "a:b"; }), "用户名：不能含有“:”或控制字符。");
    EXPECT_TRUE(unsafe([](Values& s) { s.settings.userName = "a\rb"; }));
    EXPECT_EQ(unsafe([](Values& s) { s.settings.userName = "#guest"; }), "用户名：不能以“#”开头。");
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.userName = "guest#1"; }));
}

TEST_P(SafeValues, PasswordReachesHtpasswdAsOneLine) {
    EXPECT_EQ(unsafe([](Values& s) { s.settings.password = "a\nb"; }), "密码：不能含有控制字符。");
    EXPECT_EQ(unsafe([](Values& s) { s.settings.password.clear(); }), "密码：请填写密码。");
}

// htpasswd takes at most 254 bytes of password; a Chinese character is 3.
TEST_P(SafeValues, PasswordFitsHtpasswd) {
    EXPECT_FALSE(unsafe([](Values& s) { s.settings.password = std::string(254, 'a'); }));
    EXPECT_EQ(unsafe([](Values& s) { s.settings.password = std::string(255, 'a'); }),
              "密码：最长 254 个字节（一个汉字占 3 个字节）。");
    std::string chinese;
    for (int i = 0; i < 84; ++i) chinese += "密";
    Values service = safeService(GetParam());
    service.settings.password = chinese + "ab";
    EXPECT_EQ(findUnsafeValue(service, GetParam()), std::nullopt);
    service.settings.password = chinese + "码";
    EXPECT_TRUE(findUnsafeValue(service, GetParam())) << "85 characters, 255 bytes";
}

TEST_P(SafeValues, ProgramDirectoryWithADollarIsRefused) {
    EXPECT_EQ(unsafe([](Values& s) { s.programDir.insert(1, "$x"); }),
              "程序所在的文件夹路径中不能含有“$”或控制字符，请把程序移到别的文件夹。");
}

TEST_P(SafeValues, FirstUnsafeValueInDialogOrderIsReported) {
    EXPECT_EQ(unsafe([](Values& s) {
                  s.settings.userName.clear();
                  s.settings.port = 0;
              }),
              "设置端口：端口必须在 1 到 65535 之间。");
}

TEST(SafeValuesPosix, QuotesAndPercentPassThePosixShell) {
    Values service = safeService(ShellDialect::PosixSh);
    service.settings.userName = "o\"brien 100%";
    service.settings.password = "\"%PATH%\"";
    EXPECT_EQ(findUnsafeValue(service, ShellDialect::PosixSh), std::nullopt);
    service.settings.sharedFolder = "D:\\Videos";
    EXPECT_TRUE(findUnsafeValue(service, ShellDialect::PosixSh)) << "not an absolute POSIX path";
}

TEST(SafeValuesWindows, QuotesAndPercentWouldBreakCmdQuoting) {
    Values service = safeService(ShellDialect::WindowsCmd);
    service.settings.userName = "a\"b";
    EXPECT_EQ(findUnsafeValue(service, ShellDialect::WindowsCmd), "用户名：不能含有双引号或“%”。");
    service = safeService(ShellDialect::WindowsCmd);
    service.settings.password = "100%";
    EXPECT_EQ(findUnsafeValue(service, ShellDialect::WindowsCmd), "密码：不能含有双引号或“%”。");
}

TEST(SafeValuesWindows, FolderNeedsADriveOrAServer) {
    Values service = safeService(ShellDialect::WindowsCmd);
    for (const char* folder : {"D:/Videos", "\\\\nas\\share"}) {
        service.settings.sharedFolder = folder;
        EXPECT_EQ(findUnsafeValue(service, ShellDialect::WindowsCmd), std::nullopt) << folder;
    }
    for (const char* folder : {"D:", "D:Videos", "\\Videos", "/home/u"}) {
        service.settings.sharedFolder = folder;
        EXPECT_TRUE(findUnsafeValue(service, ShellDialect::WindowsCmd)) << folder;
    }
}

// cmd.exe lines carry the program's paths in double quotes, where blanks and
// "&" are plain text but "%" can still expand a variable.
TEST(SafeValuesWindows, ProgramDirectoryMayHoldBlanksButNoPercent) {
    Values service = safeService(ShellDialect::WindowsCmd);
    for (const char* directory : {"C:\\Program Files\\Vomra", "C:\\A&B", "D:\\新建文件夹 (2)"}) {
        service.programDir = directory;
        EXPECT_EQ(findUnsafeValue(service, ShellDialect::WindowsCmd), std::nullopt) << directory;
    }
    service.programDir = "C:\\100%";
    EXPECT_EQ(findUnsafeValue(service, ShellDialect::WindowsCmd),
              "程序所在的文件夹路径中不能含有“%”，请把程序移到别的文件夹。");
}

}  // namespace
