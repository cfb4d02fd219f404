#include "share/share_sequence.h"

#include <algorithm>
#include <filesystem>
#include <thread>

#include "config/install_paths.h"
#include "config/settings_file.h"
#include "config/text_conversion.h"
#include "platform/paths.h"
#include "thumbs/thumbnail_pool.h"
#include "nginx/config_render.h"
#include "nginx/error_log_watch.h"
#include "nginx/leftover_server.h"
#include "nginx/password_file.h"
#include "share/number_parse.h"
#include "share/safe_values.h"
#include "nginx/server_launch.h"

namespace {

using Clock = std::chrono::steady_clock;
using Message = std::optional<std::string>;
constexpr auto kPollInterval = std::chrono::milliseconds(50);

void storeEntries(ShareService& service, const DialogEntries& entries) {
    setSharedFolder(service, toUtf8(entries.sharedFolder));
    service.settings.port = parseDialogNumber(entries.port);
    service.settings.screenshotSeconds = parseDialogNumber(entries.screenshotSeconds);
    service.settings.shareName = toUtf8(entries.shareName);
    service.settings.password = toUtf8(entries.password);
    service.settings.userName = toUtf8(entries.userName);
}

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
bool isServerFolder(const std::filesystem::path& folder, const std::wstring& programDir) {
    const auto server = platform::pathFromUtf8(toUtf8(serverDirectory(programDir)));
    const auto place = std::filesystem::weakly_canonical(folder);
    return liesWithin(place, std::filesystem::weakly_canonical(server.parent_path())) ||
           liesWithin(place, std::filesystem::weakly_canonical(server));
}

std::string cannotOpenFolder(const std::string& folder, const std::error_code& error) {
    return "无法打开“设置共享文件夹”中的文件夹 " + folder + "：" + error.message();
}

Message folderRefusal(const std::string& folder, const std::wstring& programDir) {
    if (folder.empty()) return "请在“设置共享文件夹”中填写要共享的文件夹。";
    const auto path = platform::pathFromUtf8(folder);
    std::error_code error;
    const auto status = std::filesystem::status(path, error);
    if (status.type() == std::filesystem::file_type::not_found) return "“设置共享文件夹”中的文件夹不存在：" + folder;
    if (error) return cannotOpenFolder(folder, error);
    if (!std::filesystem::is_directory(status)) return "“设置共享文件夹”中填写的不是文件夹：" + folder;
    try {
        if (isServerFolder(path, programDir))
            return "“设置共享文件夹”不能是程序自己的 vomrixserver 文件夹或其中的文件夹（那里存放密码文件和日志）：" +
                   folder;
    } catch (const std::filesystem::filesystem_error& failure) {
        return cannotOpenFolder(folder, failure.code());
    }
    return std::nullopt;
}

Message refusal(const ShareService& service, const std::wstring& programDir) {
    if (auto unsafe = findUnsafeValue(service)) return unsafe;
    return folderRefusal(service.settings.sharedFolder, programDir);
}

Message removeStalePasswordFile(const ShareService& service) {
    std::error_code error;
    std::filesystem::remove(platform::pathFromUtf8(service.passwordFilePath), error);  // a missing file is fine
    if (error) return "无法删除旧的密码文件 " + service.passwordFilePath + "：" + error.message();
    return std::nullopt;
}

// Has htpasswd write the password file and hands the file to the shared
// folder's owner, as whom the workers may run and read it for every request.
Message makePasswordFile(const ShareService& service, const ShareEnvironment& environment) {
    const PasswordFileEntry entry{platform::pathFromUtf8(service.htpasswdExePath),
                                  platform::pathFromUtf8(service.passwordFilePath), service.settings.userName,
                                  service.settings.password};
    if (!writePasswordFile(entry, environment.runProgram))
        return "密码文件没有建立成功（" + service.passwordFilePath + "），共享服务没有启动。";
    if (!platform::giveToFolderOwner(entry.file, platform::pathFromUtf8(service.settings.sharedFolder)))
        return "无法把密码文件交给共享文件夹的主人（" + service.passwordFilePath + "），共享服务没有启动。";
    return std::nullopt;
}

// Ends a server of this server directory that an earlier run left running;
// whether there was one.
bool stopLeftoverServerOf(const ShareService& service, const std::wstring& programDir) {
    return stopLeftoverServer(platform::pathFromUtf8(toUtf8(serverDirectory(programDir))),
                              platform::pathFromUtf8(toUtf8(service.serverExePath)));
}

// Polls `done` until it holds or `timeout` has passed; returns whether it held.
bool waitUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout) {
    const auto deadline = Clock::now() + timeout;
    while (!done()) {
        if (Clock::now() >= deadline) return false;
        std::this_thread::sleep_for(kPollInterval);
    }
    return true;
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
    const bool answered = waitUntil(
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

void addWarning(ShareOutcome& outcome, const std::string& warning) {
    if (!outcome.warning.empty()) outcome.warning += "\n";
    outcome.warning += warning;
}

// The stills are extra: a share runs without them, so what keeps them from
// starting is a warning.
void startStills(ShareService& service, ShareOutcome& outcome) {
    try {
        const auto unreadable = startThumbnails(service);
        if (unreadable.empty()) return;
        std::string folders;
        for (const auto& folder : unreadable) folders += "\n" + platform::utf8FromPath(folder);
        addWarning(outcome, "共享已启动；以下文件夹无法读取，已跳过，其中的视频没有截图：" + folders);
    } catch (const std::exception& error) {
        addWarning(outcome, std::string("共享已启动，但视频截图没有开始：") + error.what());
    }
}

void endServer(ShareService& service) {
    if (service.server) service.server->stop();
    service.server.reset();
}

bool pidFileWritten(const std::wstring& programDir) {
    std::error_code error;
    return std::filesystem::file_size(serverPidFilePath(programDir), error) > 0 && !error;
}

// nginx writes its pid file once it listens; a full disk leaves it empty.
// Stop does not need it, but an earlier version of the program would.
void checkPidFile(const ShareEnvironment& environment, ShareOutcome& outcome) {
    if (waitUntil([&] { return pidFileWritten(environment.programDir); }, std::chrono::seconds(1))) return;
    addWarning(outcome, "共享已启动，但网页服务器没有写成功它的进程号文件（" +
                            platform::utf8FromPath(serverPidFilePath(environment.programDir)) + "，磁盘可能已满）。");
}

// Renders the configuration, makes the password file and starts the server,
// each step checked before the next.
Message launchServer(ShareService& service, const ShareEnvironment& environment) {
    endServer(service);
    const RenderResult rendered = renderServerConfig(service);
    if (!rendered.ok) return "无法生成网页服务器的配置文件：" + rendered.message;
    if (auto failed = removeStalePasswordFile(service)) return failed;

    // A server of ours left running (the program ended without Stop) would
    // keep the port and serve the old folder with the old password.
    const auto port = service.settings.port;
    stopLeftoverServerOf(service, environment.programDir);
    if (!waitUntil([&] { return !environment.portAnswers(port); }, environment.serverWait))
        return "端口 " + std::to_string(port) + " 已被其他程序占用，请换一个端口再启动。";

    environment.allowPort(port);
    if (auto failed = makePasswordFile(service, environment)) return failed;

    const ErrorLogWatch log(serverErrorLogPath(environment.programDir));
    std::string reason;
    service.server = environment.startServer(serverLaunch(service, environment.programDir), reason);
    if (!service.server) return "网页服务器无法启动：" + reason;
    auto failed = serverStartFailure(environment, port, log);
    if (failed) endServer(service);
    return failed;
}

ShareOutcome endedWith(ShareOutcome outcome, std::string error) {
    outcome.error = std::move(error);
    return outcome;
}

}  // namespace

ShareOutcome startShare(ShareService& service, const DialogEntries& entries, const ShareEnvironment& environment) {
    ShareOutcome outcome;
    storeEntries(service, entries);
    const SaveResult saved = saveSettings(service);
    if (!saved.ok) addWarning(outcome, "设置没有保存成功：" + saved.message + "\n共享服务按现在填写的内容继续启动。");

    if (auto failed = refusal(service, environment.programDir)) return endedWith(outcome, *failed);
    if (auto failed = launchServer(service, environment)) return endedWith(outcome, *failed);
    checkPidFile(environment, outcome);
    startStills(service, outcome);
    outcome.buttons = ButtonStates{false, true};
    outcome.fillAddressList = true;
    return outcome;
}

ShareOutcome stopShare(ShareService& service, const ShareEnvironment&) {
    ShareOutcome outcome;
    outcome.buttons = ButtonStates{true, false};
    stopThumbnails(service);
    endServer(service);
    return outcome;
}

ShareOutcome exitShare(ShareService& service, const ShareEnvironment& environment) {
    ShareOutcome outcome = stopShare(service, environment);
    outcome.closeWindow = true;
    return outcome;
}

std::optional<std::string> endLeftoverServer(const ShareEnvironment& environment, const ShareService& service) {
    if (!stopLeftoverServerOf(service, environment.programDir)) return std::nullopt;
    return "上次运行留下的网页服务器仍在共享文件夹，现已将它停止。";
}
