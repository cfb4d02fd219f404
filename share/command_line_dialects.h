#pragma once
// The two dialects behind command_lines.h: the Windows command interpreter
// (cmd_lines) and the POSIX shell (sh_lines). Each function builds one line.
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"

namespace cmd_lines {
std::string firewall(const ShareSettings& settings);
std::string password(const ShareSettings& settings, const InstallPaths& paths);
std::string serverStop(const InstallPaths& paths);
std::string browser(const std::string& urlUtf8);
}  // namespace cmd_lines

namespace sh_lines {
std::string firewall(const ShareSettings& settings);
std::string password(const ShareSettings& settings, const InstallPaths& paths);
std::string serverStop(const InstallPaths& paths);
std::string browser(const std::string& urlUtf8);
}  // namespace sh_lines
