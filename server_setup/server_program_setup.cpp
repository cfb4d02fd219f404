#include "server_setup/server_program_setup.h"

#include <memory>

#include "platform/link_free_directory.h"
#include "platform/paths.h"
#include "server_setup/nginx_zip.h"
#include "server_setup/windows_program.h"

namespace {

using platform::EntryKind;
using platform::LinkFreeDirectory;

// The server directory, reached from the program directory one folder at a
// time, none of them a link.
std::unique_ptr<LinkFreeDirectory> openServerDir(const InstallPaths& paths) {
    auto directory = LinkFreeDirectory::open(paths.programDir);
    for (const auto& part : paths.serverDir.lexically_relative(paths.programDir)) {
        if (!directory) break;
        directory = directory->child(part, false);
    }
    return directory;
}

}  // namespace

std::optional<std::string> placeServerProgram(std::span<const unsigned char> program, const InstallPaths& paths) {
    const std::string serverDir = platform::utf8FromPath(paths.serverDir);
    const auto directory = openServerDir(paths);
    if (!directory) return "网页服务器的文件夹 " + serverDir + " 不存在、无法打开或是一个链接，没有放入 nginx.exe。";
    const auto name = paths.serverProgram.filename();
    const EntryKind existing = directory->status(name).kind;
    if (existing != EntryKind::missing && existing != EntryKind::regularFile)
        return platform::utf8FromPath(paths.serverProgram) + " 已存在但不是普通文件（可能是链接），没有替换它。";

    auto temporary = name;
    temporary += ".new";
    directory->remove(temporary);  // what an interrupted earlier attempt left
    if (!directory->writeNewFile(temporary, program))
        return "无法在 " + serverDir + " 中写入 nginx.exe（磁盘已满或没有写入权限？）。";
    if (!directory->rename(temporary, name)) {
        directory->remove(temporary);
        return "无法放入 " + platform::utf8FromPath(paths.serverProgram) + "（它可能正在运行，请先停止共享）。";
    }
    return std::nullopt;
}

std::optional<std::string> installServerProgramFromZip(const std::filesystem::path& zip, const InstallPaths& paths) {
    const NginxZipContent content = readNginxZip(zip);
    if (!content.refusal.empty()) return content.refusal;
    if (!isWindowsProgram(content.program))
        return "zip 压缩包里的 nginx.exe 不是 Windows 程序，没有使用它：" + platform::utf8FromPath(zip);
    return placeServerProgram(content.program, paths);
}
