#include "nginx/config_render.h"

#include <fstream>
#include <iterator>
#include <optional>
#include <vector>

#include "platform/paths.h"
#include "platform/private_file.h"
#include "platform/server_process.h"
#include "nginx/link_guard.h"
#include "nginx/placeholder_substitution.h"

namespace {

// nginx.confbak keeps the folder, the password file and the share name inside
// double-quoted strings, where nginx reads a backslash and a double quote
// specially; escaped, a value stays one string whatever it holds.
std::string nginxStringContent(const std::string& value) {
    std::string escaped;
    for (const char c : value) {
        if (c == '\\' || c == '"') escaped += '\\';
        escaped += c;
    }
    return escaped;
}

// nginx wants forward slashes. Only where the backslash separates paths is it
// turned into one; on POSIX it is an ordinary character of a file name.
std::string nginxPath(const std::string& path) {
    return platform::kPathSeparator == L'\\' ? replaceAll(path, "\\", "/") : path;
}

std::vector<Placeholder> placeholdersFor(const ShareSettings& settings, const InstallPaths& paths,
                                         const PlaybackDoor& playback) {
    return {
        {"name1", nginxStringContent(nginxPath(settings.sharedFolder))},
        {"name2", nginxStringContent(nginxPath(platform::utf8FromPath(paths.passwordFile)))},
        {"name3", std::to_string(settings.port)},
        {"name4", nginxStringContent(settings.shareName)},
        {"name5", std::to_string(playback.port)},
        {"name6", playback.secret},
        {"username", settings.userName},
        {"password", settings.password},
    };
}

// nginx for Windows stops at a directive it does not know; there the
// template's disable_symlinks line is left out.
std::string forThisServer(const std::string& text) {
    if (platform::kServerChecksLinkOwners) return text;
    std::string kept;
    std::size_t start = 0;
    while (start < text.size()) {
        std::size_t end = text.find('\n', start);
        end = end == std::string::npos ? text.size() : end + 1;
        const std::string line = text.substr(start, end - start);
        const std::size_t word = line.find_first_not_of(" \t");
        if (word == std::string::npos || line.compare(word, 16, "disable_symlinks") != 0) kept += line;
        start = end;
    }
    return kept;
}

// A location of its own for each path through a link to the program's files,
// and for everything below it: 404, whatever nginx's own link check allows.
std::string deniedLocations(const ShareSettings& settings, const std::vector<std::string>& deniedPaths) {
    std::string locations;
    for (const std::string& path : deniedPaths) {
        const std::string uri = nginxStringContent(nginxPath("/" + settings.shareName + "/" + path));
        locations += "location = \"" + uri + "\" { return 404; }\n";
        locations += "location ^~ \"" + uri + "/\" { return 404; }\n";
    }
    return locations;
}

std::optional<std::string> readWholeFile(const std::filesystem::path& path) {
    std::ifstream in(path);
    if (!in) return std::nullopt;
    std::string text{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    if (in.bad()) return std::nullopt;
    return text;
}

// Written beside the file and renamed over it, so that a hard link someone
// made to the old file keeps the old text and never follows a new one.
bool replaceWholeFile(const std::filesystem::path& path, const std::string& text) {
    std::filesystem::path temporary = path;
    temporary += ".tmp";
    std::ofstream out(temporary);
    out << text;
    out.close();
    if (!out.fail() && !platform::replaceFileDurably(temporary, path)) return true;
    std::error_code ignored;
    std::filesystem::remove(temporary, ignored);
    return false;
}

RenderResult cannotWrite(const std::filesystem::path& file) {
    return {false, "无法写入服务器配置文件：" + platform::utf8FromPath(file), {}};
}

}  // namespace

std::string replaceAll(std::string text, const std::string& word, const std::string& replacement) {
    std::size_t position = 0;
    while (word.size() <= text.size() && position <= text.size() - word.size()) {
        position = text.find(word, position);
        if (position == std::string::npos) break;
        text.replace(position, word.size(), replacement);
        position += replacement.size();
    }
    return text;
}

// The old configuration stays as it was when the template cannot be read.
RenderResult renderServerConfig(const ShareSettings& settings, const InstallPaths& paths,
                                const PlaybackDoor& playback) {
    const std::optional<std::string> templateText = readWholeFile(paths.configTemplate);
    if (!templateText) return {false, "无法读取服务器配置模板：" + platform::utf8FromPath(paths.configTemplate), {}};
    const std::string config =
        substitutePlaceholders(forThisServer(*templateText), placeholdersFor(settings, paths, playback));
    if (!replaceWholeFile(paths.configFile, config)) return cannotWrite(paths.configFile);
    return writeDeniedLinks(settings, paths, pathsThroughLinksToProgramFiles(settings, paths));
}

RenderResult writeDeniedLinks(const ShareSettings& settings, const InstallPaths& paths,
                              const std::vector<std::string>& deniedPaths) {
    if (!replaceWholeFile(paths.deniedLinksFile, deniedLocations(settings, deniedPaths)))
        return cannotWrite(paths.deniedLinksFile);
    return {true, {}, deniedPaths};
}
