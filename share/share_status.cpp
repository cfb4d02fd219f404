#include "share/share_status.h"

#include "platform/paths.h"

namespace {

// The lines of `text` side by side on one line.
std::string oneLine(std::string text) {
    for (auto at = text.find('\n'); at != std::string::npos; at = text.find('\n', at)) text.replace(at, 1, "　");
    return text;
}

// "视频截图：N / M（失败 F）" while stills are made, "视频截图完成，共 M 个" after.
std::string stillsText(const ThumbnailProgress& stills) {
    const std::string failed = stills.failed ? "，失败 " + std::to_string(stills.failed) + " 个" : "";
    if (stills.finished >= stills.total) return "视频截图完成，共 " + std::to_string(stills.total) + " 个" + failed;
    return "视频截图：" + std::to_string(stills.finished) + " / " + std::to_string(stills.total) + failed;
}

std::string runningText(const ShareStatus& status) {
    std::string text = "共享中（端口 " + std::to_string(status.port) + "）";
    if (status.stills) text += "　" + stillsText(*status.stills);
    return text;
}

// A message's first line says what failed; what follows (a log line, a
// hint) goes on the second line.
std::string firstLineAndRest(const std::string& message) {
    const auto end = message.find('\n');
    if (end == std::string::npos) return message;
    return message.substr(0, end) + "\n" + oneLine(message.substr(end + 1));
}

const std::string kRestarted = "网页服务器意外停止，已重新启动";
const std::string kServerStopped = "网页服务器意外停止，共享已停止";

bool serverWas(const ShareStatus& status, ServerCheck::Outcome outcome) {
    return status.server.outcome == outcome;
}

// The warnings of the running share, each on a line of its own.
std::string runningWarnings(const ShareStatus& status) {
    std::string warnings;
    if (serverWas(status, ServerCheck::Outcome::restarted)) {
        warnings = kRestarted;
        if (!status.server.reason.empty()) warnings += "\n" + status.server.reason;
    }
    if (!warnings.empty() && !status.startWarning.empty()) warnings += "\n";
    return warnings + status.startWarning;
}

// The videos that got no still, each with its reason, on lines of their own
// after a line that says what they are; the first 20 of them. Empty when
// there are none.
std::string failedStills(const std::vector<StillFailure>& failures) {
    if (failures.empty()) return {};
    std::string lines = "没有截图的视频：";
    constexpr std::size_t kListed = 20;
    for (std::size_t i = 0; i < failures.size() && i < kListed; ++i)
        lines += "\n" + platform::utf8FromPath(failures[i].video) + "：" + failures[i].reason;
    if (failures.size() > kListed) lines += "\n……以及另外 " + std::to_string(failures.size() - kListed) + " 个";
    return lines;
}

std::string serverStoppedDetails(const ShareStatus& status) {
    if (status.server.reason.empty()) return kServerStopped;
    return kServerStopped + "\n" + status.server.reason;
}

}  // namespace

std::string statusLine(const ShareStatus& status) {
    if (status.running) {
        const std::string warnings = runningWarnings(status);
        if (warnings.empty()) return runningText(status);
        return runningText(status) + "\n警告：" + oneLine(warnings);
    }
    if (!status.startFailure.empty()) return firstLineAndRest("启动失败：" + status.startFailure);
    if (serverWas(status, ServerCheck::Outcome::stopped)) return firstLineAndRest(serverStoppedDetails(status));
    return "已停止";
}

std::string statusDetails(const ShareStatus& status) {
    if (status.running) {
        std::string details = runningWarnings(status);
        const std::string failed = failedStills(status.stillFailures);
        if (!details.empty() && !failed.empty()) details += "\n";
        return details + failed;
    }
    if (!status.startFailure.empty()) return status.startFailure;
    return serverWas(status, ServerCheck::Outcome::stopped) ? serverStoppedDetails(status) : std::string();
}

std::string trayTip(const ShareStatus& status) {
    const std::string name = "VomraHTTP服务";
    if (status.running) return name + "\n" + runningText(status);
    if (!status.startFailure.empty()) return name + "\n已停止（上次启动失败）";
    if (serverWas(status, ServerCheck::Outcome::stopped)) return name + "\n已停止（网页服务器意外停止）";
    return name + "\n已停止";
}
