// Reports the installation paths it derives from its own location into the
// file named by its one argument, one per line, UTF-8: the program
// directory, then the settings file, the configuration template, the
// configuration, the server program, htpasswd (an empty line where there is
// none) and the password file.
#include <filesystem>
#include <fstream>

#include "config/install_paths.h"
#include "platform/paths.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const InstallPaths paths(programDirectory());
    std::ofstream report(std::filesystem::path(argv[1]), std::ios::binary);
    for (const std::filesystem::path& path :
         {paths.programDir, paths.settingsFile, paths.configTemplate, paths.configFile, paths.serverProgram,
          paths.htpasswdProgram, paths.passwordFile}) {
        report << platform::utf8FromPath(path) << '\n';
    }
    return report ? 0 : 1;
}
