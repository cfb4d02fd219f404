#include "share/command_lines.h"

#include "share/command_line_dialects.h"

std::string firewallCommandLine(ShellDialect dialect, const ShareService& service) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::firewall(service) : sh_lines::firewall(service);
}

std::string passwordCommandLine(ShellDialect dialect, const ShareService& service) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::password(service) : sh_lines::password(service);
}

std::string serverStopCommandLine(ShellDialect dialect, const ShareService& service,
                                  const std::string& programDirUtf8) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::serverStop(service, programDirUtf8)
                                               : sh_lines::serverStop(service, programDirUtf8);
}

std::string browserCommandLine(ShellDialect dialect, const std::string& urlUtf8) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::browser(urlUtf8) : sh_lines::browser(urlUtf8);
}
