// The program finds its own directory through GetModuleFileNameW wherever it
// is installed, and every installation path hangs below it with backslashes.
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <string>
#include <vector>

#include "helpers/test_folder.h"
#include "platform/process.h"

namespace fs = std::filesystem;

namespace {

std::vector<std::string> linesOf(const fs::path& file) {
    std::vector<std::string> lines;
    std::ifstream in(file, std::ios::binary);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

TEST(ProgramDirectory, InAFolderWithChineseCharactersAndBlanks) {
    TestFolder folder(L"program directory");
    const fs::path installDir = folder.path() / L"Program Files" / L"新建文件夹 (2)";
    const fs::path program = TestFolder::placeProgram(programDirectoryProbe(), installDir, L"VomraServer.exe");
    const fs::path report = folder.path() / L"report.txt";

    platform::runProgram(program, {utf8Of(report)});

    const std::string dir = utf8Of(installDir);
    const std::string server = dir + "\\vomrixserver\\server";
    const std::vector<std::string> expected = {
        dir,
        dir + "\\vomra.data",
        server + "\\conf\\nginx.confbak",
        server + "\\conf\\nginx.conf",
        server + "\\nginx.exe",
        "",  // no htpasswd.exe
        server + "\\.htpasswd",
    };
    EXPECT_EQ(linesOf(report), expected);
}

}  // namespace
