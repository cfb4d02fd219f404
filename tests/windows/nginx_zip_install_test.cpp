// nginx.exe taken out of a zip laid out as nginx's own, through the step the
// window's drop and file chooser take, with a real Windows program standing
// in for nginx, below folders whose names hold blanks and Chinese characters.
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "helpers/test_folder.h"
#include "platform/process.h"
#include "server_setup/server_program_setup.h"
#include "tests/server_setup/zip_maker.h"

namespace fs = std::filesystem;

namespace {

std::string contentOf(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

class NginxZipInstall : public testing::Test {
protected:
    NginxZipInstall() {
        fs::create_directories(paths_.configTemplate.parent_path());
        std::ofstream(paths_.configTemplate) << "listen name3;\n";
        fs::create_directories(downloads_);
    }

    // The zip as nginx's site offers it, made at an ASCII path (minizip's
    // writer opens it by the ANSI code page) and moved to the downloads.
    fs::path download(const std::string& version, std::vector<ZipEntry> extra = {}) {
        const std::string folder = "nginx-" + version;
        std::vector<ZipEntry> entries{{folder + "/", ""},
                                      {folder + "/conf/nginx.conf", "worker_processes 1;\r\n"},
                                      {folder + "/nginx.exe", contentOf(recordingStandIn())},
                                      {folder + "/docs/LICENSE", "nginx's licence\r\n"}};
        entries.insert(entries.end(), extra.begin(), extra.end());
        const fs::path made = folder_.path() / L"made.zip";
        makeZip(made, entries);
        const fs::path zip = downloads_ / fs::path(folder + ".zip");
        fs::rename(made, zip);
        return zip;
    }

    std::map<fs::path, std::string> everyFile() const {
        std::map<fs::path, std::string> files;
        for (const auto& entry : fs::recursive_directory_iterator(folder_.path()))
            if (entry.is_regular_file() && entry.path().extension() != L".zip")
                files[entry.path()] = contentOf(entry.path());
        return files;
    }

    TestFolder folder_{L"nginx zip"};
    fs::path downloads_ = folder_.path() / L"下载 文件";
    InstallPaths paths_{folder_.path() / L"我的 程序"};
};

TEST_F(NginxZipInstall, NginxExeLandsInTheServerDirectoryAndRuns) {
    const fs::path zip = download("1.26.2");
    ASSERT_EQ(installServerProgramFromZip(zip, paths_), std::nullopt);

    const fs::path placed = folder_.path() / L"我的 程序" / L"vomrixserver" / L"server" / L"nginx.exe";
    EXPECT_EQ(contentOf(placed), contentOf(recordingStandIn()));
    std::vector<fs::path> serverFiles;
    for (const auto& entry : fs::directory_iterator(paths_.serverDir)) serverFiles.push_back(entry.path().filename());
    std::sort(serverFiles.begin(), serverFiles.end());
    EXPECT_EQ(serverFiles, (std::vector<fs::path>{L"conf", L"nginx.exe"}));

    EXPECT_TRUE(platform::runProgram(placed, {"-v"}).started);
    const auto calls = waitForCalls(placed, 1);
    ASSERT_EQ(calls.size(), 1u);
    EXPECT_EQ(calls[0].arguments, std::vector<std::string>{"-v"});
}

// A zip with a way out in Windows' own separators, or one cut short, leaves
// every file as it was, the program placed before included.
TEST_F(NginxZipInstall, ABadZipChangesNothing) {
    std::ofstream(paths_.serverProgram, std::ios::binary) << "placed before";
    const fs::path cutShort = download("1.26.1");
    fs::resize_file(cutShort, fs::file_size(cutShort) - 30);
    const fs::path climbing = download("1.26.2", {{"nginx-1.26.2\\..\\..\\nginx.exe", "MZ"}});
    const auto before = everyFile();

    for (const auto& zip : {climbing, cutShort}) {
        EXPECT_TRUE(installServerProgramFromZip(zip, paths_).has_value()) << zip;
        EXPECT_EQ(everyFile(), before) << zip;
    }
}

}  // namespace
