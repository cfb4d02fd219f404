#pragma once
// PNG encoding of an RGB picture in memory.
#include <vector>

#include "thumbs/rgb_image.h"

// The whole PNG file: signature, IHDR, one IDAT, IEND (8-bit RGB, the
// encoder's default compression). Empty when the encoder ran out of memory.
std::vector<unsigned char> encodePng(const RgbImage& image);
