#include "server_setup/windows_program.h"

#include <cstddef>
#include <cstdint>

namespace {

constexpr std::size_t kPeOffsetField = 0x3C;  // e_lfanew in the DOS header
constexpr std::size_t kCoffHeaderSize = 20;
constexpr std::uint16_t kMachineI386 = 0x014C;
constexpr std::uint16_t kMachineAmd64 = 0x8664;
constexpr std::uint16_t kExecutableImage = 0x0002;
constexpr std::uint16_t kDll = 0x2000;

std::uint32_t littleEndian(std::span<const unsigned char> bytes, std::size_t at, std::size_t size) {
    std::uint32_t value = 0;
    for (std::size_t i = size; i-- > 0;) value = value << 8 | bytes[at + i];
    return value;
}

}  // namespace

bool isWindowsProgram(std::span<const unsigned char> bytes) {
    if (bytes.size() < kPeOffsetField + 4 || bytes[0] != 'M' || bytes[1] != 'Z') return false;
    const std::size_t pe = littleEndian(bytes, kPeOffsetField, 4);
    if (pe > bytes.size() || bytes.size() - pe < 4 + kCoffHeaderSize) return false;
    if (bytes[pe] != 'P' || bytes[pe + 1] != 'E' || bytes[pe + 2] != 0 || bytes[pe + 3] != 0) return false;
    const auto machine = littleEndian(bytes, pe + 4, 2);
    const auto characteristics = littleEndian(bytes, pe + 4 + 18, 2);
    return (machine == kMachineI386 || machine == kMachineAmd64) && (characteristics & kExecutableImage) &&
           !(characteristics & kDll);
}
