#include "config/install_paths.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "config/text_conversion.h"
#include "platform/paths.h"

namespace {

const std::wstring sep(1, platform::kPathSeparator);

std::wstring join(std::initializer_list<std::wstring> parts) {
    std::wstring out;
    for (const std::wstring& part : parts) out += (out.empty() ? L"" : sep) + part;
    return out;
}

// The file-system root this platform spells ("/" or "C:\").
std::wstring fileSystemRoot() {
    const std::u8string root = std::filesystem::current_path().root_path().u8string();
    return fromUtf8(std::string(root.begin(), root.end()));
}

TEST(InstallPaths, ProgramInAFolder) {
    const std::wstring dir = join({fileSystemRoot() + L"apps", L"共享"});
    ShareService service;
    deriveSettingsPath(service, dir);
    deriveInstallationPaths(service, dir);

    const std::wstring server = join({dir, L"vomrixserver", L"server"});
    EXPECT_EQ(service.settingsPath, join({dir, L"vomra.data"}));
    EXPECT_EQ(serverDirectory(dir), server);
    EXPECT_EQ(service.configTemplatePath, toUtf8(join({server, L"conf", L"nginx.confbak"})));
    EXPECT_EQ(service.configPath, toUtf8(join({server, L"conf", L"nginx.conf"})));
    EXPECT_EQ(service.serverExePath, join({server, platform::kServerProgramName}));
    EXPECT_EQ(service.htpasswdExePath, toUtf8(join({server, platform::kHtpasswdProgramName})));
    EXPECT_EQ(service.passwordFilePath, toUtf8(join({server, L".htpasswd"})));
}

TEST(InstallPaths, ProgramAtARootKeepsTheRootSeparator) {
    const std::wstring root = fileSystemRoot();
    ASSERT_EQ(parentDirectory(root + L"share"), root);
    ASSERT_EQ(parentDirectory(join({root + L"电影", L"程序"})), root + L"电影");

    ShareService service;
    deriveSettingsPath(service, root);
    EXPECT_EQ(service.settingsPath, root + sep + L"vomra.data");  // two separators, by design
}

TEST(InstallPaths, ProgramDirectoryHoldsTheRunningProgram) {
    const std::wstring dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(std::filesystem::equivalent(platform::pathFromUtf8(toUtf8(dir)),
                                            std::filesystem::path(VOMRA_BINARY_DIR) / "tests"));
}

TEST(InstallPaths, ThumbnailRootFollowsTheSharedFolder) {
    ShareService service;
    setSharedFolder(service, toUtf8(join({fileSystemRoot() + L"电影"})));
    EXPECT_EQ(service.thumbnailRoot, join({fileSystemRoot() + L"电影", L"VTemp"}));

    setSharedFolder(service, toUtf8(fileSystemRoot() + L"视频"));
    EXPECT_EQ(service.settings.sharedFolder, toUtf8(fileSystemRoot() + L"视频"));
    EXPECT_EQ(service.thumbnailRoot, join({fileSystemRoot() + L"视频", L"VTemp"}));
}

}  // namespace
