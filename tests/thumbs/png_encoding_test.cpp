// The PNG encoder: what it writes decodes to the very pixels it was given,
// in the format the TV client reads, and smaller than libstb's own encoding.
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <random>

#include "capture_test_support.h"
#include "thumbs/png_encode.h"

// libstb's build of stb_image_write; its header declares this only along
// with the implementation.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width, int height,
                                                int components, int* length);

namespace {

// A picture with detail and grain, as video frames have: smooth gradients
// with noise on top.
RgbImage grainyPicture(int width, int height, unsigned seed) {
    RgbImage image{BufferHandle(static_cast<std::uint8_t*>(av_malloc(3 * width * height))), width, height};
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> grain(-12, 12);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int base = (x * (c + 1) + y * (3 - c)) % 256;
                image.pixels.get()[3 * (y * width + x) + c] =
                    static_cast<std::uint8_t>(std::clamp(base + grain(random), 0, 255));
            }
    return image;
}

std::size_t libstbSize(const RgbImage& image) {
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(image.pixels.get(), image.stride(), image.width, image.height, 3, &length);
    std::free(png);
    return png ? static_cast<std::size_t>(length) : 0;
}

TEST_F(CaptureTest, EncodedPngDecodesToTheSamePixelsInTheStillFormat) {
    for (unsigned seed : {1u, 2u}) {
        const RgbImage picture = grainyPicture(640, 360, seed);
        const PngBytes png = encodePng(picture);
        ASSERT_FALSE(png.view().empty());
        const fs::path file = scratch / "still.png";
        std::ofstream(file, std::ios::binary)
            .write(reinterpret_cast<const char*>(png.view().data()), static_cast<std::streamsize>(png.view().size()));
        const PngFile read = readPng(file);
        EXPECT_EQ(read.chunkTypes, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
        EXPECT_EQ(read.bitDepth, 8);
        EXPECT_EQ(read.colourType, 2);
        ASSERT_EQ(read.rgb.size(), 3u * 640 * 360);
        EXPECT_EQ(std::memcmp(read.rgb.data(), picture.pixels.get(), read.rgb.size()), 0) << "seed " << seed;
        EXPECT_LT(png.view().size(), libstbSize(picture)) << "seed " << seed;
    }
}

}  // namespace
