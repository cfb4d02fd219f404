#include "webserver/share_status.h"

namespace {

std::string firstLine(const std::string& text) {
    return text.substr(0, text.find('\n'));
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

}  // namespace

std::string statusLine(const ShareStatus& status) {
    if (status.running) return runningText(status);
    if (!status.startFailure.empty()) return "启动失败：" + firstLine(status.startFailure);
    return "已停止";
}

std::string trayTip(const ShareStatus& status) {
    const std::string name = "VomraHTTP服务";
    if (status.running) return name + "\n" + runningText(status);
    if (!status.startFailure.empty()) return name + "\n已停止（上次启动失败）";
    return name + "\n已停止";
}
