#include "platform/password_hash.h"

namespace platform {

std::optional<std::string> saltedSha1Hash(const std::string&) {
    return std::nullopt;
}

}  // namespace platform
