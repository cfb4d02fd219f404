// The running share's watch over its server: started again when it ended
// behind the program's back, and its denied links kept up to date.
#include "nginx/config_render.h"
#include "share/share.h"

using Clock = std::chrono::steady_clock;
using Outcome = ServerCheck::Outcome;

namespace {

// The error log's word on why the server ended; a killed server says nothing.
std::string whyTheServerEnded(const ErrorLogWatch& log) {
    const std::string line = lastSevereLine(log.newLines());
    return line.empty() ? line : "nginx 错误日志：" + line;
}

}  // namespace

void Share::watchServer(const ShareSettings& settings) {
    settings_ = settings;
    restartedAt_.reset();
    deniedLinks_ = std::make_unique<DeniedLinksWatch>(settings, paths_, deniedPaths_, environment_.linkWalkInterval);
}

ServerCheck Share::checkServer() {
    if (!server_) return {};
    if (!server_->running()) return restartServer();
    renewDeniedLinks();
    return {};
}

// Once: a server that cannot start, or that soon ends again, would only end
// again, so the share stops and says why.
ServerCheck Share::restartServer() {
    const std::string whyItEnded = whyTheServerEnded(*serverLog_);
    if (restartedAt_ && Clock::now() - *restartedAt_ < environment_.restartQuietTime) {
        stop();
        return {Outcome::stopped, whyItEnded};
    }
    if (auto failed = runServer(settings_)) {
        stop();
        return {Outcome::stopped, *failed};
    }
    restartedAt_ = Clock::now();
    return {Outcome::restarted, whyItEnded};
}

// What fails here is tried again at the next check.
void Share::renewDeniedLinks() {
    std::vector<std::string> found = deniedLinks_->latest();
    if (found == deniedPaths_) return;
    if (!writeDeniedLinks(settings_, paths_, found).ok || !server_->reload()) return;
    deniedPaths_ = std::move(found);
}
