// nginx.exe taken out of zips made at test time and laid out as nginx's own
// Windows zip, or spoilt in the ways a download or a crafted zip can be.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "server_setup/server_program_setup.h"
#include "server_setup/windows_program.h"
#include "tests/common/test_folder.h"
#include "tests/server_setup/zip_maker.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = windowsProgramHeaders();

// What nginx's zip holds besides the program; none of it is to be unpacked.
std::vector<ZipEntry> nginxZip(const std::string& program = kProgram, const std::string& folder = "nginx-1.26.2") {
    return {{folder + "/", ""},
            {folder + "/conf/nginx.conf", "worker_processes 1;\n"},
            {folder + "/nginx.exe", program},
            {folder + "/html/index.html", "<h1>Welcome to nginx!</h1>\n"}};
}

class ServerProgramSetup : public testing::Test {
protected:
    ServerProgramSetup() {
        fs::create_directories(paths_.configTemplate.parent_path());
        writeFile(paths_.configTemplate, "listen name3;\n");
    }

    // Every file below the program directory with its content.
    std::map<fs::path, std::string> installation() const {
        std::map<fs::path, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(paths_.programDir))
            files[entry.path()] = entry.is_regular_file() ? readFile(entry.path()) : "(folder)";
        return files;
    }

    std::optional<std::string> install(const std::vector<ZipEntry>& entries) {
        makeZip(zip_, entries);
        return installServerProgramFromZip(zip_, paths_);
    }

    TestFolder folder_{"server setup"};
    InstallPaths paths_{folder_ / "program"};
    fs::path zip_ = folder_ / "nginx-1.26.2.zip";
};

TEST_F(ServerProgramSetup, PlacesOnlyTheProgramFromNginxsZip) {
    auto expected = installation();
    expected[paths_.serverProgram] = kProgram;

    EXPECT_EQ(install(nginxZip()), std::nullopt);
    EXPECT_EQ(installation(), expected);
}

TEST_F(ServerProgramSetup, ReplacesAProgramPlacedBefore) {
    writeFile(paths_.serverProgram, windowsProgramHeaders(0x014C, 0x0102, "an older 32-bit nginx"));
    const std::string newer = windowsProgramHeaders(0x014C, 0x0102, "a newer 32-bit nginx");

    EXPECT_EQ(install(nginxZip(newer, "nginx-1.27.3")), std::nullopt);
    EXPECT_EQ(readFile(paths_.serverProgram), newer);
}

// Each zip is refused with a message and leaves the installation, a program
// placed earlier included, as it was.
TEST_F(ServerProgramSetup, RefusesZipsThatAreNotNginxsOrClimbOutAndChangesNothing) {
    writeFile(paths_.serverProgram, "the program placed before");
    const auto with = [](std::vector<ZipEntry> entries, const ZipEntry& extra) {
        entries.push_back(extra);
        return entries;
    };
    const std::map<std::string, std::vector<ZipEntry>> zips{
        {"climbs out", with(nginxZip(), {"../nginx.exe", kProgram})},
        {"climbs out with backslashes", with(nginxZip(), {"nginx-1.26.2\\..\\..\\nginx.exe", kProgram})},
        {"climbs out through dots Windows drops", with(nginxZip(), {"nginx-1.26.2/... /x.exe", kProgram})},
        {"absolute", with(nginxZip(), {"/tmp/nginx.exe", kProgram})},
        {"on a drive", with(nginxZip(), {"C:nginx.exe", kProgram})},
        {"no nginx.exe", {{"nginx-1.26.2/conf/nginx.conf", "worker_processes 1;\n"}}},
        {"nginx.exe at the top", {{"nginx.exe", kProgram}}},
        {"nginx.exe too deep", {{"nginx-1.26.2/bin/nginx.exe", kProgram}}},
        {"another folder", {{"apache-2.4/nginx.exe", kProgram}}},
        {"two versions", with(nginxZip(), {"nginx-1.27.3/nginx.exe", kProgram})},
        {"text, not a program", nginxZip("@echo off\r\n")},
        {"an ARM64 program", nginxZip(windowsProgramHeaders(0xAA64))},
        {"a DLL", nginxZip(windowsProgramHeaders(0x8664, 0x2022))},
        {"headers cut short", nginxZip(kProgram.substr(0, 0x50))},
    };
    const auto before = installation();
    for (const auto& [kind, entries] : zips) {
        const auto refusal = install(entries);
        EXPECT_TRUE(refusal && !refusal->empty()) << kind;
        EXPECT_EQ(installation(), before) << kind;
    }
}

TEST_F(ServerProgramSetup, RefusesADamagedOrTruncatedDownload) {
    auto entries = nginxZip();
    entries[2].stored = true;
    makeZip(zip_, entries);
    const std::string good = readFile(zip_);
    std::string spoilt = good;
    spoilt[spoilt.find("stands in for nginx")] ^= 0x20;
    const auto before = installation();

    for (const std::string& bytes : {spoilt, good.substr(0, good.size() / 2), good.substr(0, 10), std::string()}) {
        writeFile(zip_, bytes);
        const auto refusal = installServerProgramFromZip(zip_, paths_);
        EXPECT_TRUE(refusal && !refusal->empty()) << bytes.size();
        EXPECT_EQ(installation(), before) << bytes.size();
    }
    EXPECT_TRUE(installServerProgramFromZip(folder_ / "no such.zip", paths_).has_value());
}

TEST_F(ServerProgramSetup, RefusesAMissingServerDirectory) {
    fs::remove_all(paths_.serverDir);
    EXPECT_TRUE(install(nginxZip()).has_value());
    EXPECT_FALSE(fs::exists(paths_.serverDir));
}

}  // namespace
