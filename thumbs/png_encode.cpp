#include "thumbs/png_encode.h"

#include <cstdlib>
#include <memory>

// The in-memory writer of libstb's stb_image_write. Its header declares it
// only together with the implementation, which the library already holds.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width,
                                                int height, int components, int* length);

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
