#include "nginx/error_log_watch.h"

#include <algorithm>
#include <array>
#include <fstream>

namespace {

std::uintmax_t sizeOf(const std::filesystem::path& file) {
    std::error_code error;
    const auto size = std::filesystem::file_size(file, error);
    return error ? 0 : size;
}

}  // namespace

ErrorLogWatch::ErrorLogWatch(std::filesystem::path logFile)
    : m_logFile(std::move(logFile)), m_mark(sizeOf(m_logFile)) {}

std::vector<std::string> ErrorLogWatch::newLines() const {
    std::ifstream in(m_logFile, std::ios::binary);
    if (sizeOf(m_logFile) >= m_mark) in.seekg(static_cast<std::streamoff>(m_mark));
    std::vector<std::string> lines;
    std::string line;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') line.pop_back();
        if (!line.empty()) lines.push_back(line);
    }
    return lines;
}

std::string lastSevereLine(const std::vector<std::string>& lines) {
    constexpr std::array<const char*, 3> kSevere = {"[emerg]", "[alert]", "[crit]"};
    const auto severe = std::find_if(lines.rbegin(), lines.rend(), [&](const std::string& line) {
        return std::any_of(kSevere.begin(), kSevere.end(),
                           [&](const char* level) { return line.find(level) != std::string::npos; });
    });
    return severe != lines.rend() ? *severe : std::string();
}
