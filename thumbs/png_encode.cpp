#include "thumbs/png_encode.h"

#include <cstdlib>
#include <memory>

// stb_image_write's implementation is built here, from the library's own
// header, so that the encoder is compiled with the optimisation settings of
// this file (see CMakeLists.txt). Static, so nothing clashes with libstb.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wunused-function"
#pragma GCC diagnostic ignored "-Wmissing-field-initializers"
#include <stb_image_write.h>
#pragma GCC diagnostic pop

namespace {
struct MallocFreer {
    void operator()(unsigned char* bytes) const { std::free(bytes); }
};
}  // namespace

std::vector<unsigned char> encodePng(const RgbImage& image) {
    int length = 0;
    const std::unique_ptr<unsigned char, MallocFreer> png(
        stbi_write_png_to_mem(image.pixels.get(), image.stride(), image.width, image.height, 3, &length));
    if (!png || length <= 0)
        return {};
    return std::vector<unsigned char>(png.get(), png.get() + length);
}
