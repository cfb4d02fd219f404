#include "thumbs/turned_copy.h"

#include <cstring>

void copyTurned(const PlaneView& source, int turns, int bytesPerPixel, const PlaneView& target) {
    for (int y = 0; y < target.height; ++y) {
        std::uint8_t* row = target.pixels + static_cast<std::ptrdiff_t>(y) * target.stride;
        for (int x = 0; x < target.width; ++x) {
            int sx = x, sy = y;
            if (turns == 1) sx = y, sy = source.height - 1 - x;
            if (turns == 2) sx = source.width - 1 - x, sy = source.height - 1 - y;
            if (turns == 3) sx = source.width - 1 - y, sy = x;
            std::memcpy(row + bytesPerPixel * x,
                        source.pixels + static_cast<std::ptrdiff_t>(sy) * source.stride + bytesPerPixel * sx,
                        static_cast<std::size_t>(bytesPerPixel));
        }
    }
}
