#pragma once
// A PNG file in memory, as the encoder made it.
#include <cstdlib>
#include <memory>
#include <span>

// The encoder's own buffer, kept as it came (no copy) and freed with free.
// Empty when there is no PNG.
class PngBytes {
public:
    PngBytes() = default;
    PngBytes(unsigned char* bytes, std::size_t size) : bytes(bytes), size(size) {}
    std::span<const unsigned char> view() const { return {bytes.get(), size}; }

private:
    struct Freer {
        void operator()(unsigned char* memory) const { std::free(memory); }
    };
    std::unique_ptr<unsigned char, Freer> bytes;
    std::size_t size = 0;
};
