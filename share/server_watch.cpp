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
    m_settings = settings;
    m_restartedAt.reset();
    m_deniedLinks =
        std::make_unique<DeniedLinksWatch>(settings, m_paths, m_deniedPaths, m_environment.linkWalkInterval);
}

ServerCheck Share::checkServer() {
    if (!m_server) return {};
    if (!m_server->running()) return restartServer();
    renewDeniedLinks();
    return {};
}

// Once: a server that cannot start, or that soon ends again, would only end
// again, so the share stops and says why.
ServerCheck Share::restartServer() {
    const std::string whyItEnded = whyTheServerEnded(*m_serverLog);
    if (m_restartedAt && Clock::now() - *m_restartedAt < m_environment.restartQuietTime) {
        stop();
        return {Outcome::stopped, whyItEnded};
    }
    if (auto failed = runServer(m_settings)) {
        stop();
        return {Outcome::stopped, *failed};
    }
    m_restartedAt = Clock::now();
    return {Outcome::restarted, whyItEnded};
}

// What fails here is tried again at the next check.
void Share::renewDeniedLinks() {
    std::vector<std::string> found = m_deniedLinks->latest();
    if (found == m_deniedPaths) return;
    m_playback->setDeniedPaths(found);
    if (!writeDeniedLinks(m_settings, m_paths, found).ok || !m_server->reload()) return;
    m_deniedPaths = std::move(found);
}
