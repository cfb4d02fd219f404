#include "share/safe_values.h"

#include <string_view>

#include "platform/paths.h"

namespace {

using Finding = std::optional<std::string>;

bool hasControlCharacter(std::string_view text) {
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) return true;
    }
    return false;
}

bool hasAnyOf(std::string_view text, std::string_view characters) {
    return text.find_first_of(characters) != std::string_view::npos;
}

// A relative folder would be taken relative to the server directory, which
// holds the password file. On Windows a whole path begins with a drive and a
// separator, or with two separators and a server's name, which not every
// standard library counts as absolute.
bool isAbsolutePath(const std::string& path) {
    const std::string serverPrefix(2, static_cast<char>(platform::kPathSeparator));
    return path.starts_with(serverPrefix) || platform::pathFromUtf8(path).is_absolute();
}

// nginx reads "$" in the folder and password-file strings as a variable.
Finding checkSharedFolder(const std::string& folder) {
    if (folder.empty()) return "设置共享文件夹：请填写要共享的文件夹。";
    if (!isAbsolutePath(folder)) return "设置共享文件夹：请填写完整的路径（从根目录或盘符开始）。";
    if (hasAnyOf(folder, "$") || hasControlCharacter(folder)) return "设置共享文件夹：路径中不能含有“$”或控制字符。";
    return std::nullopt;
}

// A file name holds at most 255 bytes; a much longer share name makes a
// configuration line that nginx cannot read.
constexpr std::size_t kLongestShareNameBytes = 255;

// The share name is one segment of the address and of nginx's location.
Finding checkShareName(const std::string& name) {
    if (name.empty()) return "共享名字：请填写共享名字。";
    if (name.size() > kLongestShareNameBytes) {
        return "共享名字：最长 " + std::to_string(kLongestShareNameBytes) + " 个字节（一个汉字占 3 个字节）。";
    }
    if (name == "." || name == "..") return "共享名字：不能是“.”或“..”。";
    if (hasAnyOf(name, "/\\?#%$\"") || hasControlCharacter(name)) {
        return "共享名字：不能含有 / \\ ? # % $ \" 或控制字符。";
    }
    return std::nullopt;
}

Finding checkPort(std::int32_t port) {
    if (port < 1 || port > 65535) return "设置端口：端口必须在 1 到 65535 之间。";
    return std::nullopt;
}

// The password file holds "name:hash" lines; nginx skips a line that begins
// with "#" as a comment.
Finding checkUserName(const std::string& userName) {
    if (userName.empty()) return "用户名：请填写用户名。";
    if (userName.starts_with('#')) return "用户名：不能以“#”开头。";
    if (hasAnyOf(userName, ":") || hasControlCharacter(userName)) return "用户名：不能含有“:”或控制字符。";
    return std::nullopt;
}

// htpasswd reads the password into 256 bytes: from its standard input, the
// line end and the closing zero leave 254 for the password (one more from its
// command line). A longer one makes it fail after it has created an empty file.
constexpr std::size_t kLongestPasswordBytes = 254;

// htpasswd reads the password up to the end of the line.
Finding checkPassword(const std::string& password) {
    if (password.empty()) return "密码：请填写密码。";
    if (hasControlCharacter(password)) return "密码：不能含有控制字符。";
    if (password.size() > kLongestPasswordBytes) {
        return "密码：最长 " + std::to_string(kLongestPasswordBytes) + " 个字节（一个汉字占 3 个字节）。";
    }
    return std::nullopt;
}

// The program's own directory reaches nginx's configuration as the password
// file's path.
Finding checkProgramDirectory(const std::string& passwordFilePath) {
    if (hasAnyOf(passwordFilePath, "$") || hasControlCharacter(passwordFilePath)) {
        return "程序所在的文件夹路径中不能含有“$”或控制字符，请把程序移到别的文件夹。";
    }
    return std::nullopt;
}

}  // namespace

std::optional<std::string> findUnsafeValue(const ShareSettings& settings, const InstallPaths& paths) {
    std::optional<std::string> all;
    for (const Finding& finding :
         {checkSharedFolder(settings.sharedFolder), checkShareName(settings.shareName), checkPort(settings.port),
          checkUserName(settings.userName), checkPassword(settings.password),
          checkProgramDirectory(platform::utf8FromPath(paths.passwordFile))}) {
        if (finding) all = all ? *all + "\n" + *finding : *finding;
    }
    return all;
}

std::optional<std::string> findUnsafeFolderText(const std::string& folder) {
    return checkSharedFolder(folder);
}
