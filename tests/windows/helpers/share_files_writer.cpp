// Writes what Start writes for nginx into a program folder, as the Windows
// build does: conf\nginx.conf rendered from the template (with the denied
// links beside it) and the password file. The password is the first line of
// the standard input, like every secret the program hands on.
// Usage: share_files_writer PROGRAM_DIR SHARED_FOLDER SHARE_NAME PORT USER
// Exit status 0 when both were written.
#include <filesystem>
#include <iostream>
#include <string>

#include "config/install_paths.h"
#include "nginx/config_render.h"
#include "nginx/password_file.h"
#include "platform/paths.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 6) return 2;
    const InstallPaths paths{std::filesystem::path(argv[1])};
    ShareSettings settings;
    settings.sharedFolder = platform::utf8FromPath(argv[2]);
    settings.shareName = platform::utf8FromPath(argv[3]);
    settings.port = std::stoi(argv[4]);
    settings.userName = platform::utf8FromPath(argv[5]);
    std::getline(std::cin, settings.password);

    const RenderResult rendered = renderServerConfig(settings, paths, {1, "secret"});
    if (!rendered.ok) std::cerr << rendered.message << '\n';
    const bool written =
        writePasswordFile({paths.htpasswdProgram, paths.passwordFile, settings.userName, settings.password});
    return rendered.ok && written ? 0 : 1;
}
