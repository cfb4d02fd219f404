#pragma once
// PNG encoding of an RGB picture in memory.
#include <cstdlib>
#include <memory>
#include <span>

#include "thumbs/rgb_image.h"

// The encoder's own buffer, kept as it came (no copy) and freed with free.
class PngBytes {
public:
    PngBytes(unsigned char* bytes, std::size_t size) : bytes(bytes), size(size) {}
    std::span<const unsigned char> view() const { return {bytes.get(), size}; }

private:
    struct Freer {
        void operator()(unsigned char* memory) const { std::free(memory); }
    };
    std::unique_ptr<unsigned char, Freer> bytes;
    std::size_t size;
};

// The whole PNG file: signature, IHDR, one IDAT, IEND (8-bit RGB, the
// encoder's default compression). Empty when the encoder ran out of memory.
PngBytes encodePng(const RgbImage& image);
