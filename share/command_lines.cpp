#include "share/command_lines.h"

#include "share/command_line_dialects.h"

std::string firewallCommandLine(ShellDialect dialect, const ShareSettings& settings) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::firewall(settings) : sh_lines::firewall(settings);
}

std::string passwordCommandLine(ShellDialect dialect, const ShareSettings& settings, const InstallPaths& paths) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::password(settings, paths)
                                               : sh_lines::password(settings, paths);
}

std::string serverStopCommandLine(ShellDialect dialect, const InstallPaths& paths) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::serverStop(paths) : sh_lines::serverStop(paths);
}

std::string browserCommandLine(ShellDialect dialect, const std::string& urlUtf8) {
    return dialect == ShellDialect::WindowsCmd ? cmd_lines::browser(urlUtf8) : sh_lines::browser(urlUtf8);
}
