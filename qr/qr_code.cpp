#include "qr/qr_code.h"

#include <memory>

#include <qrencode.h>

std::optional<QrCode> encodeQrCode(const std::string& text) {
    const std::unique_ptr<QRcode, decltype(&QRcode_free)> encoded(
        QRcode_encodeString8bit(text.c_str(), 0, QR_ECLEVEL_M), &QRcode_free);
    if (!encoded) return std::nullopt;
    QrCode code;
    code.size = encoded->width;
    code.dark.reserve(static_cast<std::size_t>(code.size) * code.size);
    // Bit 0 of each byte is the module's colour; the others say what it belongs to.
    for (int i = 0; i < code.size * code.size; ++i) code.dark.push_back((encoded->data[i] & 1) != 0);
    return code;
}
