#include "capture_test_support.h"

#include <stb_image.h>

#include <cctype>
#include <fstream>
#include <iterator>

fs::path fixture(const std::string& name) {
    return fs::path(VOMRA_TEST_DATA_DIR) / fs::path(std::u8string(name.begin(), name.end()));
}

// The fixtures' colours after lossy coding and YUV conversion.
bool isRed(Rgb p) {
    return p.red > 200 && p.green < 70 && p.blue < 70;
}
bool isGreen(Rgb p) {
    return p.green > 90 && p.red < 70 && p.blue < 70;
}
bool isBlue(Rgb p) {
    return p.blue > 200 && p.red < 70 && p.green < 70;
}

Rgb PngFile::at(int x, int y) const {
    const std::size_t offset = 3 * (static_cast<std::size_t>(y) * width + x);
    return {rgb.at(offset), rgb.at(offset + 1), rgb.at(offset + 2)};
}

namespace {

std::uint32_t bigEndian32(const unsigned char* bytes) {
    return std::uint32_t{bytes[0]} << 24 | std::uint32_t{bytes[1]} << 16 | std::uint32_t{bytes[2]} << 8 | bytes[3];
}

void readChunks(const std::vector<unsigned char>& bytes, PngFile& png) {
    const unsigned char signature[] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    ASSERT_GE(bytes.size(), sizeof signature);
    ASSERT_TRUE(std::equal(std::begin(signature), std::end(signature), bytes.begin())) << "no PNG signature";
    std::size_t offset = sizeof signature;
    while (offset < bytes.size()) {
        ASSERT_LE(offset + 12, bytes.size()) << "chunk header cut short";
        const std::uint32_t length = bigEndian32(&bytes[offset]);
        ASSERT_LE(offset + 12 + length, bytes.size()) << "chunk data cut short";
        const std::string type(bytes.begin() + offset + 4, bytes.begin() + offset + 8);
        if (type == "IHDR") {
            ASSERT_EQ(length, 13u);
            png.width = static_cast<int>(bigEndian32(&bytes[offset + 8]));
            png.height = static_cast<int>(bigEndian32(&bytes[offset + 12]));
            png.bitDepth = bytes[offset + 16];
            png.colourType = bytes[offset + 17];
        }
        png.chunkTypes.push_back(type);
        offset += 12 + length;
    }
}

void decodePixels(const std::vector<unsigned char>& bytes, PngFile& png) {
    int width = 0, height = 0, components = 0;
    unsigned char* pixels =
        stbi_load_from_memory(bytes.data(), static_cast<int>(bytes.size()), &width, &height, &components, 3);
    ASSERT_NE(pixels, nullptr) << "the PNG does not decode: " << stbi_failure_reason();
    png.rgb.assign(pixels, pixels + 3 * static_cast<std::size_t>(width) * height);
    stbi_image_free(pixels);
    EXPECT_EQ(width, png.width);
    EXPECT_EQ(height, png.height);
}

}  // namespace

PngFile readPng(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    EXPECT_TRUE(in) << "cannot open " << path;
    const std::vector<unsigned char> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    PngFile png;
    readChunks(bytes, png);
    if (!::testing::Test::HasFatalFailure()) decodePixels(bytes, png);
    return png;
}

bool CaptureTest::capture(const fs::path& video, const fs::path& png) {
    const StillCapture still = captureStill(video, seconds, stop);
    failure = still.failure;
    const auto bytes = still.png.view();
    if (bytes.empty()) return false;
    std::ofstream(png, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return true;
}

std::vector<fs::path> listTree(const fs::path& directory) {
    std::vector<fs::path> entries;
    for (const auto& entry : fs::recursive_directory_iterator(directory))
        entries.push_back(entry.path().lexically_relative(directory));
    return entries;
}

std::string fileNameAsTestName(const ::testing::TestParamInfo<const char*>& info) {
    std::string name = info.param;
    for (char& c : name)
        if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
    return name;
}
