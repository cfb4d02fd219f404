#include "config/install_paths.h"

#include "platform/paths.h"

InstallPaths::InstallPaths(std::filesystem::path directory)
    : programDir(std::move(directory)),
      settingsFile(programDir / "vomra.data"),
      tutorialPage(programDir / "tutorial.html"),
      serverDir(programDir / "vomrixserver" / "server"),
      serverProgram(serverDir / platform::kServerProgramName),
      htpasswdProgram(platform::kHtpasswdProgramName ? serverDir / platform::kHtpasswdProgramName
                                                     : std::filesystem::path{}),
      passwordFile(serverDir / ".htpasswd"),
      configTemplate(serverDir / "conf" / "nginx.confbak"),
      configFile(serverDir / "conf" / "nginx.conf"),
      deniedLinksFile(serverDir / "conf" / "denied_links.conf"),
      pidFile(serverDir / "logs" / "nginx.pid"),
      errorLog(serverDir / "logs" / "error.log") {}

std::filesystem::path programDirectory() {
    return platform::executablePath().parent_path();
}
