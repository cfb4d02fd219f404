#pragma once
// A QR code as a square of dark and light modules, made by libqrencode.
#include <optional>
#include <string>
#include <vector>

// The light border a reader needs around the code, in modules.
inline constexpr int kQrQuietZoneModules = 4;

struct QrCode {
    int size = 0;            // modules per side, without the quiet zone
    std::vector<bool> dark;  // row by row, size × size

    bool isDark(int x, int y) const { return dark[static_cast<std::size_t>(y) * size + x]; }
};

// The QR code of `text` as 8-bit data with medium error correction, in the
// smallest version that holds it; nullopt when it does not fit in any.
std::optional<QrCode> encodeQrCode(const std::string& text);
