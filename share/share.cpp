#include "share/share.h"

#include <algorithm>
#include <filesystem>
#include <memory>
#include <utility>

#include "config/settings_file.h"
#include "nginx/config_render.h"
#include "nginx/error_log_watch.h"
#include "nginx/leftover_server.h"
#include "nginx/server_launch.h"
#include "platform/paths.h"
#include "platform/wait_until.h"
#include "share/safe_values.h"

namespace {

using Message = std::optional<std::string>;

// Whether `place` is `directory` or lies inside it; both are canonical.
bool liesWithin(const std::filesystem::path& place, const std::filesystem::path& directory) {
    const auto relative = place.lexically_relative(directory);
    return !relative.empty() && *relative.begin() != "..";
}

// nginx hides only paths through "vomrixserver/server", so a share of the
// vomrixserver folder, of the server directory or of a folder inside them
// would serve the password file, the configuration and the logs, and the
// stills would be written among them. The paths are made canonical first, so
// a trailing separator, "." and ".." or a symbolic link hide nothing; the
// server directory is checked on its own as well, as it may be a link to a
// folder elsewhere. Throws filesystem_error when a path cannot be resolved.
bool isServerFolder(const std::filesystem::path& folder, const std::filesystem::path& server) {
    const auto place = std::filesystem::weakly_canonical(folder);
    return liesWithin(place, std::filesystem::weakly_canonical(server.parent_path())) ||
           liesWithin(place, std::filesystem::weakly_canonical(server));
}

std::string cannotOpenFolder(const std::string& folder, const std::error_code& error) {
    return "无法打开“设置共享文件夹”中的文件夹 " + folder + "：" + error.message();
}

Message folderRefusal(const std::string& folder, const InstallPaths& paths) {
    const auto path = platform::pathFromUtf8(folder);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return "“设置共享文件夹”中的文件夹不存在：" + folder;
    if (error) return cannotOpenFolder(folder, error);
    if (!std::filesystem::is_directory(status)) return "“设置共享文件夹”中填写的不是文件夹：" + folder;
    if (auto owner = platform::folderOwnerWithoutAccount(path))
        return "“设置共享文件夹”中的文件夹的主人（" + *owner + "）在本机没有账户，网页服务器无法以它的身份读取文件：" +
               folder;
    try {
        if (isServerFolder(path, paths.serverDir))
            return "“设置共享文件夹”不能是程序自己的 vomrixserver 文件夹或其中的文件夹（那里存放密码文件和日志）：" +
                   folder;
    } catch (const std::filesystem::filesystem_error& failure) {
        return cannotOpenFolder(folder, failure.code());
    }
    return std::nullopt;
}

// Every refused value at once, one a line, so that one message names them all;
// the folder itself is looked at only when its text is usable.
Message refusal(const ShareSettings& settings, const InstallPaths& paths) {
    const Message unsafe = findUnsafeValue(settings, paths);
    const Message folder =
        findUnsafeFolderText(settings.sharedFolder) ? std::nullopt : folderRefusal(settings.sharedFolder, paths);
    if (unsafe && folder) return *folder + "\n" + *unsafe;
    return folder ? folder : unsafe;
}

// Asked before anything is started: the firewall rule, the password file
// and the playback helper would all be for nothing.
Message missingServerProgram(const InstallPaths& paths) {
    std::error_code error;
    if (std::filesystem::exists(paths.serverProgram, error) || error) return std::nullopt;
    return "找不到网页服务器程序 " + platform::utf8FromPath(paths.serverProgram) + "，共享服务没有启动。";
}

Message removeStalePasswordFile(const std::filesystem::path& file) {
    std::error_code error;
    std::filesystem::remove(file, error);  // a missing file is fine
    if (error) return "无法删除旧的密码文件 " + platform::utf8FromPath(file) + "：" + error.message();
    return std::nullopt;
}

// Writes the password file (through htpasswd where there is one) and hands
// it to the shared folder's owner, as whom the workers may run and read it
// for every request.
Message makePasswordFile(const ShareSettings& settings, const InstallPaths& paths,
                         const ShareEnvironment& environment) {
    const PasswordFileEntry entry{paths.htpasswdProgram, paths.passwordFile, settings.userName, settings.password};
    const std::string name = platform::utf8FromPath(paths.passwordFile);
    if (!environment.writePasswordFile(entry)) return "密码文件没有建立成功（" + name + "），共享服务没有启动。";
    if (!platform::giveToFolderOwner(entry.file, platform::pathFromUtf8(settings.sharedFolder)))
        return "无法把密码文件交给共享文件夹的主人（" + name + "），共享服务没有启动。";
    return std::nullopt;
}

bool isFatalError(const std::string& line) {
    return line.find("[emerg]") != std::string::npos;
}

bool mentionsFatalError(const std::vector<std::string>& lines) {
    return std::any_of(lines.begin(), lines.end(), isFatalError);
}

// The line that says why nginx failed: its last fatal error, except the
// "still could not bind()" it closes with after the bind() error that says
// which address was taken; the last line when nothing was fatal.
const std::string& mostTellingLine(const std::vector<std::string>& lines) {
    const auto telling = std::find_if(lines.rbegin(), lines.rend(), [](const std::string& line) {
        return isFatalError(line) && line.find("still could not bind()") == std::string::npos;
    });
    return telling != lines.rend() ? *telling : lines.back();
}

// Waits for the started server to answer on the loopback address; gives up
// early when nginx has logged a fatal error.
Message serverStartFailure(const ShareEnvironment& environment, std::int32_t port, const ErrorLogWatch& log) {
    std::vector<std::string> logged;
    const bool answered = platform::waitUntil(
        [&] {
            if (environment.portAnswers(port)) return true;
            logged = log.newLines();
            return mentionsFatalError(logged);
        },
        environment.serverWait);
    if (answered && !mentionsFatalError(logged)) return std::nullopt;
    std::string message = "网页服务器没有在端口 " + std::to_string(port) + " 上启动。";
    if (!logged.empty()) message += "\nnginx 错误日志：" + mostTellingLine(logged);
    return message;
}

void addWarning(StartReport& report, const std::string& warning) {
    if (!report.warning.empty()) report.warning += "\n";
    report.warning += warning;
}

bool pidFileWritten(const std::filesystem::path& pidFile) {
    std::error_code error;
    return std::filesystem::file_size(pidFile, error) > 0 && !error;
}

// nginx writes its pid file once it listens; a full disk leaves it empty.
// Stop does not need it, but an earlier version of the program would.
void checkPidFile(const std::filesystem::path& pidFile, StartReport& report) {
    if (platform::waitUntil([&] { return pidFileWritten(pidFile); }, std::chrono::seconds(1))) return;
    addWarning(report, "共享已启动，但网页服务器没有写成功它的进程号文件（" + platform::utf8FromPath(pidFile) +
                           "，磁盘可能已满）。");
}

StartReport endedWith(StartReport report, std::string error) {
    report.error = std::move(error);
    return report;
}

}  // namespace

Share::Share(InstallPaths paths, ShareEnvironment environment)
    : m_paths(std::move(paths)), m_environment(std::move(environment)) {}

Share::~Share() {
    stop();
}

void Share::endServer() {
    if (m_server) m_server->stop();
    m_server.reset();
}

// Renders the configuration, makes the password file and starts the server,
// each step checked before the next.
Message Share::launchServer(const ShareSettings& settings) {
    endServer();
    const RenderResult rendered = renderServerConfig(settings, m_paths, {m_playback->port(), m_playback->secret()});
    if (!rendered.ok) return "无法生成网页服务器的配置文件：" + rendered.message;
    m_deniedPaths = rendered.deniedPaths;
    m_playback->setDeniedPaths(m_deniedPaths);
    if (auto failed = removeStalePasswordFile(m_paths.passwordFile)) return failed;

    // A server of ours left running (the program ended without Stop) would
    // keep the port and serve the old folder with the old password.
    const auto port = settings.port;
    stopLeftoverServer(m_paths);
    if (!platform::waitUntil([&] { return !m_environment.portAnswers(port); }, m_environment.serverWait))
        return "端口 " + std::to_string(port) + " 已被其他程序占用，请换一个端口再启动。";

    m_environment.allowPort(port);
    if (auto failed = makePasswordFile(settings, m_paths, m_environment)) return failed;

    return runServer(settings);
}

// Starts the server over the files as they are and waits for it to answer.
// What is left of a server that ended (its workers) is ended first, and may
// hold the port a moment longer.
Message Share::runServer(const ShareSettings& settings) {
    endServer();
    platform::waitUntil([&] { return !m_environment.portAnswers(settings.port); }, m_environment.serverWait);
    m_serverLog.emplace(m_paths.errorLog);
    std::string reason;
    m_server = m_environment.startServer(serverLaunch(settings, m_paths), reason);
    if (!m_server) return "网页服务器无法启动：" + reason;
    auto failed = serverStartFailure(m_environment, settings.port, *m_serverLog);
    if (failed) endServer();
    return failed;
}

StartReport Share::start(const ShareSettings& settings) {
    StartReport report;
    stop();
    const SaveResult saved = saveSettings(settings, m_paths.settingsFile);
    if (!saved.ok) addWarning(report, "设置没有保存成功：" + saved.message + "\n共享服务按现在填写的内容继续启动。");

    if (auto failed = refusal(settings, m_paths)) return endedWith(report, *failed);
    if (auto missing = missingServerProgram(m_paths)) {
        report.serverProgramMissing = true;
        return endedWith(report, *missing);
    }
    if (auto failed = startPlayback(settings)) return endedWith(report, *failed);
    if (auto failed = launchServer(settings)) {
        m_playback.reset();
        return endedWith(report, *failed);
    }
    watchServer(settings);
    checkPidFile(m_paths.pidFile, report);
    startStills(settings, report);
    return report;
}

// The helper listens before nginx starts: nginx's configuration names its port.
std::optional<std::string> Share::startPlayback(const ShareSettings& settings) {
    try {
        m_playback = std::make_unique<PlaybackServer>(
            PlaybackServer::Options{platform::pathFromUtf8(settings.sharedFolder), settings.shareName,
                                    m_paths.serverDir / "temp" / "playback"});
    } catch (const std::exception& error) {
        return std::string("视频播放助手无法启动：") + error.what();
    }
    return std::nullopt;
}

// The stills are extra: a share runs without them, so what keeps them from
// starting is a warning.
void Share::startStills(const ShareSettings& settings, StartReport& report) {
    ThumbnailPool::Options options;
    options.sharedFolder = platform::pathFromUtf8(settings.sharedFolder);
    options.captureSeconds = settings.screenshotSeconds;
    // The stills end before the helper does.
    options.holdBack = [playback = m_playback.get()] { return playback->watching(); };
    auto stills = std::make_unique<ThumbnailPool>(std::move(options));
    std::vector<std::filesystem::path> unreadable;
    try {
        unreadable = stills->start();
        m_stills = std::move(stills);
    } catch (const std::exception& error) {
        addWarning(report, std::string("共享已启动，但视频截图没有开始：") + error.what());
        return;
    }
    if (unreadable.empty()) return;
    std::string folders;
    for (const auto& folder : unreadable) folders += "\n" + platform::utf8FromPath(folder);
    addWarning(report, "共享已启动；以下文件夹无法读取，已跳过，其中的视频没有截图：" + folders);
}

// The server first: the household loses the share at once, whatever a
// capture still has to wind up. The stills ask the helper whether anyone
// watches, so they end before it.
void Share::stop() {
    endServer();
    m_deniedLinks.reset();
    m_stills.reset();
    m_playback.reset();
}

std::optional<ThumbnailProgress> Share::stillsProgress() const {
    if (!m_stills) return std::nullopt;
    return m_stills->progress();
}

std::vector<StillFailure> Share::stillFailures() const {
    if (!m_stills) return {};
    return m_stills->failures();
}

std::optional<std::string> Share::endLeftoverServer() {
    if (!stopLeftoverServer(m_paths)) return std::nullopt;
    return "上次运行留下的网页服务器仍在共享文件夹，现已将它停止。";
}
