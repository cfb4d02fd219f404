#include "thumbs/atomic_file_write.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cstdint>
#include <random>
#include <string>

namespace {

// A hidden name beside the target (a rename never crosses volumes) that no
// concurrent writer of the same target picks as well: "." + target + "." +
// random hex digits + ".tmp".
std::filesystem::path temporaryNameFor(const std::filesystem::path& name) {
    std::random_device random;
    const std::uint64_t number = (std::uint64_t{random()} << 32) | random();
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
    std::filesystem::path temporary = ".";
    temporary += name;
    temporary += "." + std::string(digits, end) + ".tmp";
    return temporary;
}

}  // namespace

bool writeFileAtomically(const platform::LinkFreeDirectory& directory, const std::filesystem::path& name,
                         std::span<const unsigned char> bytes) {
    const std::filesystem::path temporary = temporaryNameFor(name);
    if (!directory.writeNewFile(temporary, bytes)) return false;
    if (directory.rename(temporary, name)) return true;
    directory.remove(temporary);
    return false;
}

bool isTemporaryName(const std::filesystem::path& name) {
    const std::u8string text = name.u8string();
    const std::u8string_view suffix = u8".tmp";
    if (text.size() < 4 + suffix.size() || text[0] != u8'.' || !text.ends_with(suffix)) return false;
    const std::u8string_view stem = std::u8string_view(text).substr(0, text.size() - suffix.size());
    const std::size_t dot = stem.rfind(u8'.');
    const std::u8string_view digits = stem.substr(dot + 1);
    return dot > 1 && !digits.empty() && digits.size() <= 16 &&
           std::all_of(digits.begin(), digits.end(),
                       [](char8_t c) { return std::isxdigit(static_cast<unsigned char>(c)); });
}
