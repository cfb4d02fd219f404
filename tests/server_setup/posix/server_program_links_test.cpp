// The program is never written through a link: not where the server
// directory is one, nor where one stands at the program's name.
#include <gtest/gtest.h>

#include <filesystem>

#include "config/install_paths.h"
#include "server_setup/server_program_setup.h"
#include "tests/common/test_folder.h"
#include "tests/server_setup/zip_maker.h"

namespace fs = std::filesystem;

namespace {

const std::string kProgram = windowsProgramHeaders();

TEST(ServerProgramLinks, RefusesALinkedServerDirectoryOrProgram) {
    TestFolder folder("server links");
    const fs::path elsewhere = folder / "elsewhere";
    fs::create_directories(elsewhere);
    writeFile(elsewhere / "victim", "kept");
    const InstallPaths linkedDir(folder / "linked dir");
    fs::create_directories(linkedDir.serverDir.parent_path());
    fs::create_directory_symlink(elsewhere, linkedDir.serverDir);
    const InstallPaths linkedProgram(folder / "linked program");
    fs::create_directories(linkedProgram.serverDir);
    fs::create_symlink(elsewhere / "victim", linkedProgram.serverProgram);

    EXPECT_TRUE(
        placeServerProgram({reinterpret_cast<const unsigned char*>(kProgram.data()), kProgram.size()}, linkedDir));
    EXPECT_TRUE(
        placeServerProgram({reinterpret_cast<const unsigned char*>(kProgram.data()), kProgram.size()}, linkedProgram));

    EXPECT_EQ(readFile(elsewhere / "victim"), "kept");
    EXPECT_EQ(std::distance(fs::directory_iterator(elsewhere), fs::directory_iterator()), 1);
    EXPECT_TRUE(fs::is_symlink(linkedProgram.serverProgram));
}

}  // namespace
