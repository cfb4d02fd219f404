#include "config/install_paths.h"

#include <filesystem>
#include <gtest/gtest.h>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

TEST(InstallPaths, EveryFileHangsBelowTheProgramDirectory) {
    const fs::path dir = fs::current_path().root_path() / "apps" / u8"共享";
    const InstallPaths paths(dir);

    const fs::path server = dir / "vomrixserver" / "server";
    EXPECT_EQ(paths.settingsFile, dir / "vomra.data");
    EXPECT_EQ(paths.tutorialPage, dir / "tutorial.html");
    EXPECT_EQ(paths.serverDir, server);
    EXPECT_EQ(paths.configTemplate, server / "conf" / "nginx.confbak");
    EXPECT_EQ(paths.configFile, server / "conf" / "nginx.conf");
    EXPECT_EQ(paths.deniedLinksFile, server / "conf" / "denied_links.conf");
    EXPECT_EQ(paths.serverProgram, server / platform::kServerProgramName);
    EXPECT_EQ(paths.passwordFile, server / ".htpasswd");
    EXPECT_EQ(paths.pidFile, server / "logs" / "nginx.pid");
    EXPECT_EQ(paths.errorLog, server / "logs" / "error.log");
}

TEST(InstallPaths, ProgramAtARoot) {
    const fs::path root = fs::current_path().root_path();
    EXPECT_EQ(InstallPaths(root).settingsFile, root / "vomra.data");
}

TEST(InstallPaths, ProgramDirectoryHoldsTheRunningProgram) {
    const fs::path dir = programDirectory();
    ASSERT_FALSE(dir.empty());
    EXPECT_TRUE(fs::equivalent(dir, fs::path(VOMRA_BINARY_DIR) / "tests"));
}

}  // namespace
