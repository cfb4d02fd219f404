#include "tests/thumbs/image_bomb.h"

#include <cstdint>
#include <fstream>
#include <string>

namespace {

using Bytes = std::string;

Bytes bigEndian(std::uint64_t value, int bytes) {
    Bytes out;
    for (int shift = 8 * (bytes - 1); shift >= 0; shift -= 8) out += static_cast<char>((value >> shift) & 0xFF);
    return out;
}

// A baseline JPEG of one grey component whose Huffman tables each hold one
// code, "0": DC difference 0 and end of block. Every 8 x 8 block is then two
// zero bits, and the whole scan is zero bytes.
Bytes greyJpeg(PictureSize size) {
    auto segment = [](int marker, const Bytes& body) {
        return Bytes{'\xFF', static_cast<char>(marker)} + bigEndian(body.size() + 2, 2) + body;
    };
    const Bytes oneCode = Bytes(1, '\x01') + Bytes(15, '\0') + Bytes(1, '\0');
    const std::uint64_t blocks = std::uint64_t((size.width + 7) / 8) * ((size.height + 7) / 8);
    return Bytes{'\xFF', '\xD8'} + segment(0xDB, Bytes(1, '\0') + Bytes(64, '\x01')) +
           segment(0xC0, Bytes(1, '\x08') + bigEndian(size.height, 2) + bigEndian(size.width, 2) + "\x01\x01\x11" +
                             Bytes(1, '\0')) +
           segment(0xC4, Bytes(1, '\x00') + oneCode) + segment(0xC4, Bytes(1, '\x10') + oneCode) +
           segment(0xDA, Bytes("\x01\x01", 2) + Bytes(1, '\0') + Bytes(1, '\0') + "\x3F" + Bytes(1, '\0')) +
           Bytes((blocks * 2 + 7) / 8, '\0') + Bytes{'\xFF', '\xD9'};
}

// An EBML element with its size in eight bytes.
Bytes element(std::uint32_t id, const Bytes& data) {
    const int idBytes = id > 0xFFFFFF ? 4 : id > 0xFFFF ? 3 : id > 0xFF ? 2 : 1;
    return bigEndian(id, idBytes) + '\x01' + bigEndian(data.size(), 7) + data;
}

Bytes number(std::uint32_t id, std::uint64_t value) {
    return element(id, bigEndian(value, 8));
}

}  // namespace

void writeImageBomb(const std::filesystem::path& path, PictureSize picture, PictureSize header) {
    const Bytes ebmlHeader =
        element(0x1A45DFA3, number(0x4286, 1) + number(0x42F7, 1) + number(0x42F2, 4) + number(0x42F3, 8) +
                                element(0x4282, "matroska") + number(0x4287, 2) + number(0x4285, 2));
    const Bytes video = element(0xE0, number(0xB0, header.width) + number(0xBA, header.height));
    const Bytes track =
        element(0xAE, number(0xD7, 1) + number(0x73C5, 1) + number(0x83, 1) + element(0x86, "V_MJPEG") + video);
    // Track 1, at time 0, a key frame.
    const Bytes block = element(0xA3, Bytes("\x81\x00\x00\x80", 4) + greyJpeg(picture));
    const Bytes segment =
        element(0x18538067, element(0x1549A966, number(0x2AD7B1, 1'000'000)) + element(0x1654AE6B, track) +
                                element(0x1F43B675, number(0xE7, 0) + block));
    std::ofstream(path, std::ios::binary) << ebmlHeader << segment;
}
