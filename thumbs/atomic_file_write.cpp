#include "thumbs/atomic_file_write.h"

#include <charconv>
#include <cstdint>
#include <fstream>
#include <random>

namespace {

// A hidden name in the target's directory (a rename never crosses volumes)
// that no concurrent writer of the same target picks as well.
std::filesystem::path temporaryPathBeside(const std::filesystem::path& target) {
    std::random_device random;
    const std::uint64_t number = (std::uint64_t{random()} << 32) | random();
    char digits[16];
    const auto end = std::to_chars(digits, digits + sizeof digits, number, 16).ptr;
    std::filesystem::path name = ".";
    name += target.filename();
    name += "." + std::string(digits, end) + ".tmp";
    return target.parent_path() / name;
}

bool writeWholeFile(const std::filesystem::path& path, std::span<const unsigned char> bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (!out) return false;
    out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    out.close();  // a failed flush or close sets failbit
    return !out.fail();
}

}  // namespace

bool writeFileAtomically(const std::filesystem::path& target, std::span<const unsigned char> bytes) {
    const std::filesystem::path temporary = temporaryPathBeside(target);
    std::error_code error;
    if (writeWholeFile(temporary, bytes)) {
        std::filesystem::rename(temporary, target, error);
        if (!error) return true;
    }
    std::filesystem::remove(temporary, error);
    return false;
}
