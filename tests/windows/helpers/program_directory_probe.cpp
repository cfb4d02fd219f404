// Reports the installation paths it derives from its own location into the
// file named by its one argument, one per line, UTF-8: the program
// directory, then settingsPath, configTemplatePath, configPath,
// serverExePath, htpasswdExePath and passwordFilePath.
#include <filesystem>
#include <fstream>

#include "config/install_paths.h"
#include "config/text_conversion.h"

int wmain(int argc, wchar_t** argv) {
    if (argc != 2) return 2;
    const std::wstring programDir = programDirectory();
    ShareService service;
    deriveSettingsPath(service, programDir);
    deriveInstallationPaths(service, programDir);

    std::ofstream report(std::filesystem::path(argv[1]), std::ios::binary);
    for (const std::string& line :
         {toUtf8(programDir), toUtf8(service.settingsPath), service.configTemplatePath, service.configPath,
          toUtf8(service.serverExePath), service.htpasswdExePath, service.passwordFilePath}) {
        report << line << '\n';
    }
    return report ? 0 : 1;
}
