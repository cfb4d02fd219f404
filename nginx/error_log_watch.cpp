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

ErrorLogWatch::ErrorLogWatch(std::filesystem::path logFile) : logFile_(std::move(logFile)), mark_(sizeOf(logFile_)) {}

std::vector<std::string> ErrorLogWatch::newLines() const {
    std::ifstream in(logFile_, std::ios::binary);
    if (sizeOf(logFile_) >= mark_) in.seekg(static_cast<std::streamoff>(mark_));
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
