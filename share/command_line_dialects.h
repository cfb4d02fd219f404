#pragma once
// The two dialects behind command_lines.h: the Windows command interpreter
// (cmd_lines) and the POSIX shell (sh_lines). Each function builds one line.
#include <string>

#include "config/share_service.h"

namespace cmd_lines {
std::string firewall(const ShareService& service);
std::string password(const ShareService& service);
std::string serverStop(const ShareService& service, const std::string& programDirUtf8);
std::string browser(const std::string& urlUtf8);
}  // namespace cmd_lines

namespace sh_lines {
std::string firewall(const ShareService& service);
std::string password(const ShareService& service);
std::string serverStop(const ShareService& service, const std::string& programDirUtf8);
std::string browser(const std::string& urlUtf8);
}  // namespace sh_lines
