// The codes read back by zbarimg, as a phone's reader would read them off
// the screen.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "qr/qr_code.h"
#include "tests/common/test_folder.h"

namespace {

// The code as a greyscale picture, four pixels a module, quiet zone included.
std::string asPgm(const QrCode& code) {
    constexpr int kScale = 4;
    const int side = (code.size + 2 * kQrQuietZoneModules) * kScale;
    std::string picture = "P5 " + std::to_string(side) + " " + std::to_string(side) + " 255\n";
    for (int y = 0; y < side; ++y) {
        for (int x = 0; x < side; ++x) {
            const int mx = x / kScale - kQrQuietZoneModules;
            const int my = y / kScale - kQrQuietZoneModules;
            const bool inside = mx >= 0 && my >= 0 && mx < code.size && my < code.size;
            picture += static_cast<char>(inside && code.isDark(mx, my) ? 0 : 255);
        }
    }
    return picture;
}

std::string readBack(const QrCode& code) {
    TestFolder folder("qr");
    const auto picture = folder.path() / "code.pgm";
    writeFile(picture, asPgm(code));
    FILE* reader = popen(("zbarimg --raw -q '" + utf8Of(picture) + "'").c_str(), "r");
    std::string text;
    char buffer[512];
    while (reader && std::fgets(buffer, sizeof buffer, reader)) text += buffer;
    if (reader) pclose(reader);
    if (!text.empty() && text.back() == '\n') text.pop_back();
    return text;
}

}  // namespace

TEST(QrCode, ReadsBackAsTheAddressItHolds) {
    for (const std::string& address :
         std::vector<std::string>{"http://192.168.1.10:8080/", "http://10.0.0.5:65535/",
                                  "http://192.168.1.10:8080/%E7%94%B5%E5%BD%B1/" + std::string(150, 'a')}) {
        const auto code = encodeQrCode(address);
        ASSERT_TRUE(code) << address;
        EXPECT_EQ(code->dark.size(), static_cast<std::size_t>(code->size) * code->size);
        EXPECT_EQ(readBack(*code), address);
    }
}
