#include "platform/regular_file.h"

namespace platform {

std::optional<std::string> readWholeFile(const RegularFileReader& file) {
    std::string bytes(file.size(), '\0');
    std::size_t filled = 0;
    while (filled < bytes.size()) {
        const std::int64_t read = file.readAt(filled, bytes.data() + filled, bytes.size() - filled);
        if (read < 0) return std::nullopt;
        if (read == 0) break;  // the file was cut short meanwhile
        filled += static_cast<std::size_t>(read);
    }
    bytes.resize(filled);
    return bytes;
}

}  // namespace platform
