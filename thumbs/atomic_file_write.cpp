#include "thumbs/atomic_file_write.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstdio>
#include <random>
#include <string>
#include <string_view>

namespace {

// The temporary name: ".vt-" + 16 random hex digits + ".tmp", hidden and
// short, so that a still whose name is near the file-name limit (255 bytes)
// still has one. It lies beside the target, so the rename never crosses
// volumes, and no concurrent writer of the same target picks it as well.
constexpr std::u8string_view temporaryPrefix = u8".vt-";
constexpr std::u8string_view temporarySuffix = u8".tmp";
constexpr std::size_t temporaryDigits = 16;

}  // namespace

std::filesystem::path newTemporaryName() {
    std::random_device random;
    const std::uint64_t number = (std::uint64_t{random()} << 32) | random();
    char digits[temporaryDigits + 1];
    std::snprintf(digits, sizeof digits, "%016llx", static_cast<unsigned long long>(number));
    return std::u8string(temporaryPrefix) + std::u8string(digits, digits + temporaryDigits) +
           std::u8string(temporarySuffix);
}

bool writeFileAtomically(const platform::LinkFreeDirectory& directory, const std::filesystem::path& name,
                         std::span<const unsigned char> bytes) {
    const std::filesystem::path temporary = newTemporaryName();
    if (!directory.writeNewFile(temporary, bytes)) return false;
    if (directory.rename(temporary, name)) return true;
    directory.remove(temporary);
    return false;
}

bool isTemporaryName(const std::filesystem::path& name) {
    const std::u8string text = name.u8string();
    if (text.size() != temporaryPrefix.size() + temporaryDigits + temporarySuffix.size() ||
        !text.starts_with(temporaryPrefix) || !text.ends_with(temporarySuffix))
        return false;
    const std::u8string_view digits = std::u8string_view(text).substr(temporaryPrefix.size(), temporaryDigits);
    return std::all_of(digits.begin(), digits.end(),
                       [](char8_t c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}
