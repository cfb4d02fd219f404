#include "thumbs/png_encode.h"

#include "thumbs/zlib_compress.h"

// stb_image_write's implementation is built here, from the library's own
// header, so that the encoder is compiled with the optimisation settings of
// this file (see CMakeLists.txt). Static, so nothing clashes with libstb.
// Its zlib compressor is replaced by one that makes the same stream faster.
#define STB_IMAGE_WRITE_IMPLEMENTATION
#define STB_IMAGE_WRITE_STATIC
#define STBI_WRITE_NO_STDIO
#define STBIW_ZLIB_COMPRESS zlibCompress
#include <stb_image_write.h>

PngBytes encodePng(const RgbImage& image) {
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(image.pixels.get(), image.stride(), image.width, image.height, 3, &length);
    return PngBytes(png, png && length > 0 ? static_cast<std::size_t>(length) : 0);
}
