#include "still_encoding.h"

#include <spng.h>
#include <stb_image.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

#include "shell.h"
#include "thumbs/png_encode.h"

// libstb's build of stb_image_write; its header declares this only along
// with the implementation.
extern "C" unsigned char* stbi_write_png_to_mem(const unsigned char* pixels, int strideBytes, int width, int height,
                                                int components, int* length);

namespace {

std::vector<unsigned char> contentsOf(const std::filesystem::path& file) {
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

RgbImage decode(const std::vector<unsigned char>& png) {
    int width = 0, height = 0, components = 0;
    unsigned char* pixels =
        stbi_load_from_memory(png.data(), static_cast<int>(png.size()), &width, &height, &components, 3);
    if (!pixels) throw std::runtime_error("a still does not decode");
    RgbImage image{BufferHandle(static_cast<std::uint8_t*>(av_malloc(3 * std::size_t(width) * height))), width, height};
    std::copy(pixels, pixels + 3 * std::size_t(width) * height, image.pixels.get());
    stbi_image_free(pixels);
    return image;
}

std::size_t encodeWithLibstb(const RgbImage& image) {
    int length = 0;
    unsigned char* png =
        stbi_write_png_to_mem(image.pixels.get(), image.stride(), image.width, image.height, 3, &length);
    std::free(png);
    return png ? static_cast<std::size_t>(length) : 0;
}

std::size_t encodeWithLibspng(const RgbImage& image) {
    spng_ctx* context = spng_ctx_new(SPNG_CTX_ENCODER);
    spng_set_option(context, SPNG_ENCODE_TO_BUFFER, 1);
    spng_ihdr header{};
    header.width = static_cast<std::uint32_t>(image.width);
    header.height = static_cast<std::uint32_t>(image.height);
    header.bit_depth = 8;
    header.color_type = SPNG_COLOR_TYPE_TRUECOLOR;
    spng_set_ihdr(context, &header);
    const std::size_t pixelBytes = std::size_t(image.stride()) * image.height;
    std::size_t length = 0;
    int error = spng_encode_image(context, image.pixels.get(), pixelBytes, SPNG_FMT_PNG, SPNG_ENCODE_FINALIZE);
    void* png = error ? nullptr : spng_get_png_buffer(context, &length, &error);
    std::free(png);
    spng_ctx_free(context);
    return png ? length : 0;
}

// Adds one still's size and its best time of three to `figures`.
template <typename Encode>
void measure(EncoderFigures& figures, const RgbImage& image, Encode&& encode) {
    std::size_t size = 0;
    double best = secondsOf([&] { size = encode(image); });
    for (int i = 0; i < 2; ++i) best = std::min(best, secondsOf([&] { encode(image); }));
    if (size == 0) throw std::runtime_error("an encoder failed");
    figures.bytes += size;
    figures.seconds += best;
}

}  // namespace

EncodingComparison compareEncoders(const std::filesystem::path& stills) {
    EncodingComparison comparison;
    for (const auto& entry : std::filesystem::recursive_directory_iterator(stills)) {
        if (!entry.is_regular_file() || entry.path().extension() != ".png") continue;
        const std::vector<unsigned char> written = contentsOf(entry.path());
        const RgbImage image = decode(written);
        ++comparison.stills;
        comparison.writtenBytes += written.size();
        measure(comparison.ours, image, [](const RgbImage& picture) { return encodePng(picture).view().size(); });
        measure(comparison.libstb, image, encodeWithLibstb);
        measure(comparison.libspng, image, encodeWithLibspng);
    }
    return comparison;
}
