#pragma once
// The stills' PNG encoding against other encoders of the same pixels.
#include <cstdint>
#include <filesystem>

struct EncoderFigures {
    std::uint64_t bytes = 0;  // all stills together
    double seconds = 0;       // encoding them all, one after the other
};

struct EncodingComparison {
    int stills = 0;
    std::uint64_t writtenBytes = 0;  // the stills as the pool wrote them
    EncoderFigures ours;             // encodePng: stb's filters, libdeflate
    EncoderFigures libstb;           // libstb's own build, its default settings
    EncoderFigures libspng;          // libspng's default settings
};

// Decodes every PNG below `stills` and encodes its pixels again with each
// encoder, each still the best of three encodings.
EncodingComparison compareEncoders(const std::filesystem::path& stills);
