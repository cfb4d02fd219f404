// The PNG bytes are the stb_image_write library's own: our zlib compressor
// against the library's, and whole stills against the library's encoding
// of the same pixels.
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <memory>
#include <random>

#include <stb_image.h>

#include "capture_test_support.h"
#include "thumbs/zlib_compress.h"

// libstb's build of stb_image_write; its header declares these only along
// with the implementation.
extern "C" unsigned char* stbi_zlib_compress(unsigned char* data, int length, int* outLength, int quality);
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width, int height,
                                                int components, int* length);

namespace {

using Bytes = std::vector<unsigned char>;

// The bytes an encoder returned, which it allocated with malloc.
Bytes takeMalloced(unsigned char* bytes, int length) {
    const std::unique_ptr<unsigned char, decltype(&std::free)> owner(bytes, &std::free);
    return bytes ? Bytes(bytes, bytes + length) : Bytes{};
}

Bytes ours(Bytes data, int quality) {
    int length = 0;
    unsigned char* compressed = zlibCompress(data.data(), static_cast<int>(data.size()), &length, quality);
    return takeMalloced(compressed, length);
}

Bytes library(Bytes data, int quality) {
    int length = 0;
    unsigned char* compressed = stbi_zlib_compress(data.data(), static_cast<int>(data.size()), &length, quality);
    return takeMalloced(compressed, length);
}

Bytes randomBytes(std::size_t count, int distinctValues, unsigned seed) {
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> value(0, distinctValues - 1);
    Bytes bytes(count);
    for (unsigned char& byte : bytes) byte = static_cast<unsigned char>(value(random));
    return bytes;
}

// `block` repeated: matches exactly one block back, which is out of reach
// once the block is longer than the window.
Bytes repeated(const Bytes& block, int times) {
    Bytes bytes;
    for (int i = 0; i < times; ++i) bytes.insert(bytes.end(), block.begin(), block.end());
    return bytes;
}

struct Input {
    const char* name;
    Bytes bytes;
};

TEST(ZlibCompress, MakesTheLibrarysStreamByteForByte) {
    const Input inputs[] = {
        {"empty", {}},
        {"three bytes", {1, 2, 3}},
        {"four bytes", {7, 7, 7, 7}},
        {"long run of one value", Bytes(100'000, 0)},
        {"four values at random (full hash chains)", randomBytes(200'000, 4, 1)},
        {"noise (stored blocks)", randomBytes(100'000, 256, 2)},
        {"block just inside the window", repeated(randomBytes(32'766, 256, 3), 3)},
        {"block just outside the window", repeated(randomBytes(32'768, 256, 4), 3)},
        {"short repeats with noise", repeated(randomBytes(300, 16, 5), 500)},
    };
    for (const Input& input : inputs) {
        for (int quality : {2, 5, 8, 12}) {
            const Bytes expected = library(input.bytes, quality);
            ASSERT_FALSE(expected.empty());
            EXPECT_EQ(ours(input.bytes, quality), expected) << input.name << " at quality " << quality;
        }
    }
}

Bytes fileBytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return Bytes(std::istreambuf_iterator<char>(in), {});
}

Bytes libraryPng(const Bytes& png) {
    int width = 0, height = 0, components = 0;
    const std::unique_ptr<unsigned char, decltype(&stbi_image_free)> pixels(
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &components, 3),
        &stbi_image_free);
    if (!pixels) return {};
    int length = 0;
    unsigned char* encoded = stbi_write_png_to_mem(pixels.get(), 3 * width, width, height, 3, &length);
    return takeMalloced(encoded, length);
}

class StillBytes : public CaptureTest, public ::testing::WithParamInterface<const char*> {};

TEST_P(StillBytes, AreTheLibrarysEncodingOfTheStillsPixels) {
    const fs::path png = scratch / "still.png";
    ASSERT_TRUE(capture(fixture(GetParam()), png));
    const Bytes written = fileBytes(png);
    EXPECT_EQ(written, libraryPng(written));
}

INSTANTIATE_TEST_SUITE_P(Fixtures, StillBytes, ::testing::Values("full_hd.mp4", "pal_4x3.mpg", "clip.wmv"),
                         fileNameAsTestName);

}  // namespace
