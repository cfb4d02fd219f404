#pragma once
// Pictures that phones record on their side, turned upright by quarter turns.
#include <cstddef>
#include <cstdint>

// One plane of pixels: where it starts, its size in pixels, the bytes from
// one row to the next.
struct PlaneView {
    std::uint8_t* pixels;
    int width;
    int height;
    int stride;
};

// Copies the upright `source` into `target` turned clockwise by `turns`
// quarter turns; `target` is the source's size, its sides swapped for an odd
// number of turns. Pixels are `bytesPerPixel` bytes each.
void copyTurned(const PlaneView& source, int turns, int bytesPerPixel, const PlaneView& target);
