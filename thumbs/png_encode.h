#pragma once
// PNG encoding of an RGB picture in memory.
#include "thumbs/png_bytes.h"
#include "thumbs/rgb_image.h"

// The whole PNG file: signature, IHDR, one IDAT, IEND (8-bit RGB, the
// encoder's default compression). Empty when the encoder ran out of memory.
PngBytes encodePng(const RgbImage& image);
