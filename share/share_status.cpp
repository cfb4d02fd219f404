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

// The failure's first line says what failed; what follows (a log line, a
// hint) goes on the second line.
std::string failureText(const std::string& failure) {
    const auto end = failure.find('\n');
    if (end == std::string::npos) return "启动失败：" + failure;
    return "启动失败：" + failure.substr(0, end) + "\n" + oneLine(failure.substr(end + 1));
}

}  // namespace

std::string statusLine(const ShareStatus& status) {
    if (status.running) {
        if (status.startWarning.empty()) return runningText(status);
        return runningText(status) + "\n警告：" + oneLine(status.startWarning);
    }
    if (!status.startFailure.empty()) return failureText(status.startFailure);
    return "已停止";
}

std::string statusDetails(const ShareStatus& status) {
    if (!status.running) return status.startFailure;
    std::string details = status.startWarning;
    if (status.stillFailures.empty()) return details;
    if (!details.empty()) details += "\n";
    details += "没有截图的视频：";
    constexpr std::size_t kListed = 20;
    for (std::size_t i = 0; i < status.stillFailures.size() && i < kListed; ++i) {
        const StillFailure& failure = status.stillFailures[i];
        details += "\n" + platform::utf8FromPath(failure.video) + "：" + failure.reason;
    }
    if (status.stillFailures.size() > kListed)
        details += "\n……以及另外 " + std::to_string(status.stillFailures.size() - kListed) + " 个";
    return details;
}

std::string trayTip(const ShareStatus& status) {
    const std::string name = "VomraHTTP服务";
    if (status.running) return name + "\n" + runningText(status);
    if (!status.startFailure.empty()) return name + "\n已停止（上次启动失败）";
    return name + "\n已停止";
}
