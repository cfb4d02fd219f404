#include "app/qr_code_bitmap.h"

#include <algorithm>

#include <wx/image.h>

#include "qr/qr_code.h"

wxBitmap qrCodeBitmap(const std::string& text, int side) {
    const auto code = encodeQrCode(text);
    if (!code) return wxNullBitmap;
    const int modules = code->size + 2 * kQrQuietZoneModules;
    const int scale = std::max(1, side / modules);
    const int margin = std::max(0, (side - modules * scale) / 2);
    wxImage image(side, side);
    image.SetRGB(wxRect(0, 0, side, side), 255, 255, 255);
    for (int y = 0; y < code->size; ++y) {
        for (int x = 0; x < code->size; ++x) {
            if (!code->isDark(x, y)) continue;
            const wxRect module(margin + (x + kQrQuietZoneModules) * scale, margin + (y + kQrQuietZoneModules) * scale,
                                scale, scale);
            image.SetRGB(module, 0, 0, 0);
        }
    }
    return wxBitmap(image);
}
