#include "thumbs/zlib_compress.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>

namespace {

// The compressor finds matches through a table of hash chains: for each of
// hashSize hashes of three bytes, the positions last seen with that hash,
// oldest first. A chain holds at most 2 * quality positions; when full, its
// older half is dropped. Only positions where a match was looked for enter
// a chain, not those that a match covered.
constexpr int hashSize = 16384;
constexpr int windowSize = 32768;
constexpr int longestMatch = 258;
constexpr int storedBlockSize = 32767;

std::uint32_t hashOfThree(const unsigned char* bytes) {
    std::uint32_t hash = bytes[0] + (bytes[1] << 8) + (bytes[2] << 16);
    hash ^= hash << 3;
    hash += hash >> 5;
    hash ^= hash << 4;
    hash += hash >> 17;
    hash ^= hash << 25;
    hash += hash >> 6;
    return hash & (hashSize - 1);
}

// How many leading bytes of a and b agree, at most min(limit, 258); eight
// bytes at a time.
int matchLength(const unsigned char* a, const unsigned char* b, int limit) {
    limit = std::min(limit, longestMatch);
    int length = 0;
    for (; length + 8 <= limit; length += 8) {
        std::uint64_t x, y;
        std::memcpy(&x, a + length, 8);
        std::memcpy(&y, b + length, 8);
        if (const std::uint64_t differing = x ^ y) {
            const int bits =
                std::endian::native == std::endian::little ? std::countr_zero(differing) : std::countl_zero(differing);
            return length + bits / 8;
        }
    }
    while (length < limit && a[length] == b[length]) ++length;
    return length;
}

class HashChains {
public:
    explicit HashChains(int quality)
        : capacity(2 * quality),
          positions(static_cast<std::int32_t*>(
              ::operator new[](std::size_t{hashSize} * capacity * sizeof(std::int32_t), cacheLine, std::nothrow))),
          counts(new (std::nothrow) std::int32_t[hashSize]()) {}

    bool valid() const { return positions && counts; }

    // The longest match for `position` among the chain of its hash, within
    // the window; of equally long ones the latest. Then `position` joins
    // the chain. Looking from the latest back, the first of the longest is
    // the one, so the search ends once nothing longer is possible.
    struct Match {
        int length;
        int from;  // -1 when there is none of at least three bytes
    };
    Match longestAt(const unsigned char* data, int length, int position) {
        const std::uint32_t hash = hashOfThree(data + position);
        const int reachable = std::min(length - position, longestMatch);
        Match best{2, -1};
        forEachInWindow(hash, position - windowSize, [&](int earlier) {
            if (agreesUpTo(data, length, earlier, position, best.length + 1)) {
                const int found = matchLength(data + earlier, data + position, length - position);
                if (found > best.length) best = {found, earlier};
            }
            return best.length < reachable;
        });
        add(hash, position);
        return best;
    }

    // Whether the chain of `position`'s hash holds a match for it longer
    // than `than` (the lazy-matching test one byte further on).
    bool hasLongerAt(const unsigned char* data, int length, int position, int than) {
        if (than >= longestMatch) return false;
        bool longer = false;
        forEachInWindow(hashOfThree(data + position), position - windowSize, [&](int earlier) {
            longer = agreesUpTo(data, length, earlier, position, than + 1) &&
                     matchLength(data + earlier, data + position, length - position) > than;
            return !longer;
        });
        return longer;
    }

private:
    // Calls visit(position) for the chain's positions after `oldestExcluded`,
    // latest first, while visit returns true. A chain's positions grow from
    // its oldest to its latest, so the first one out of the window ends it.
    template <typename Visit>
    void forEachInWindow(std::uint32_t hash, int oldestExcluded, Visit&& visit) const {
        const std::int32_t* chain = positions.get() + std::size_t{hash} * capacity;
        for (int k = counts[hash] - 1; k >= 0 && chain[k] > oldestExcluded; --k)
            if (!visit(chain[k])) return;
    }

    // A cheap test that lets most candidates go before the full comparison:
    // a match of `wanted` bytes needs room for them and its last byte equal.
    static bool agreesUpTo(const unsigned char* data, int length, int earlier, int position, int wanted) {
        return wanted <= std::min(length - position, longestMatch) &&
               data[earlier + wanted - 1] == data[position + wanted - 1];
    }

    void add(std::uint32_t hash, int position) {
        std::int32_t* chain = positions.get() + std::size_t{hash} * capacity;
        std::int32_t& count = counts[hash];
        if (count == capacity) {
            const int kept = capacity / 2;
            std::memmove(chain, chain + kept, sizeof *chain * kept);
            count = kept;
        }
        chain[count++] = position;
    }

    // At the default quality a chain of 16 positions fills one cache line.
    static constexpr std::align_val_t cacheLine{64};
    struct Freer {
        void operator()(std::int32_t* memory) const { ::operator delete[](memory, cacheLine); }
    };

    int capacity;
    std::unique_ptr<std::int32_t, Freer> positions;
    std::unique_ptr<std::int32_t[]> counts;
};

// Deflate's bits, least significant first, into a buffer big enough.
class BitWriter {
public:
    explicit BitWriter(unsigned char* out) : out(out) {}

    void add(std::uint32_t bits, int count) {
        pending |= std::uint64_t{bits} << pendingCount;
        pendingCount += count;
        while (pendingCount >= 8) {
            *out++ = static_cast<unsigned char>(pending);
            pending >>= 8;
            pendingCount -= 8;
        }
    }
    // Pads with zero bits to the next byte.
    unsigned char* finish() {
        if (pendingCount > 0) add(0, 8 - pendingCount);
        return out;
    }

private:
    unsigned char* out;
    std::uint64_t pending = 0;
    int pendingCount = 0;
};

constexpr std::uint32_t reversed(std::uint32_t code, int bits) {
    std::uint32_t result = 0;
    for (int i = 0; i < bits; ++i, code >>= 1) result = (result << 1) | (code & 1);
    return result;
}

// Deflate's fixed Huffman codes for the literal/length symbols 0 to 285,
// bit-reversed as they are written.
struct FixedCode {
    std::uint16_t bits;
    std::uint8_t length;
};
constexpr std::array<FixedCode, 286> fixedCodes = [] {
    std::array<FixedCode, 286> codes{};
    for (int symbol = 0; symbol < 286; ++symbol) {
        const auto code = [&](std::uint32_t first, int length) {
            return FixedCode{static_cast<std::uint16_t>(reversed(first, length)), static_cast<std::uint8_t>(length)};
        };
        codes[symbol] = symbol <= 143   ? code(0x30 + symbol, 8)
                        : symbol <= 255 ? code(0x190 + symbol - 144, 9)
                        : symbol <= 279 ? code(symbol - 256, 7)
                                        : code(0xc0 + symbol - 280, 8);
    }
    return codes;
}();

void writeSymbol(BitWriter& bits, int symbol) {
    bits.add(fixedCodes[symbol].bits, fixedCodes[symbol].length);
}

// Deflate's length and distance codes: the first value of each code and its
// number of extra bits; the last entries close the ranges.
constexpr std::array<int, 30> lengthStarts{3,  4,  5,  6,  7,  8,  9,  10, 11,  13,  15,  17,  19,  23,  27,
                                           31, 35, 43, 51, 59, 67, 83, 99, 115, 131, 163, 195, 227, 258, 259};
constexpr std::array<int, 29> lengthExtraBits{0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                              2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
constexpr std::array<int, 31> distanceStarts{1,    2,    3,    4,    5,    7,     9,     13,    17,   25,   33,
                                             49,   65,   97,   129,  193,  257,   385,   513,   769,  1025, 1537,
                                             2049, 3073, 4097, 6145, 8193, 12289, 16385, 24577, 32768};
constexpr std::array<int, 30> distanceExtraBits{0, 0, 0, 0, 1, 1, 2, 2,  3,  3,  4,  4,  5,  5,  6,
                                                6, 7, 7, 8, 8, 9, 9, 10, 10, 11, 11, 12, 12, 13, 13};

// The code whose range holds `value`.
template <std::size_t N>
int codeOf(const std::array<int, N>& starts, int value) {
    return static_cast<int>(std::upper_bound(starts.begin(), starts.end(), value) - starts.begin()) - 1;
}

void writeMatch(BitWriter& bits, int length, int distance) {
    const int lengthCode = codeOf(lengthStarts, length);
    writeSymbol(bits, 257 + lengthCode);
    bits.add(length - lengthStarts[lengthCode], lengthExtraBits[lengthCode]);
    const int distanceCode = codeOf(distanceStarts, distance);
    bits.add(reversed(distanceCode, 5), 5);
    bits.add(distance - distanceStarts[distanceCode], distanceExtraBits[distanceCode]);
}

// One fixed-Huffman block of the whole input; returns the end of its bytes.
// Each position looks for the longest earlier match; a match is taken unless
// the next position has a longer one (then this byte goes as a literal).
unsigned char* writeCompressedBlock(unsigned char* out, const unsigned char* data, int length, HashChains& chains) {
    BitWriter bits(out);
    bits.add(1, 1);  // the final block
    bits.add(1, 2);  // fixed Huffman codes
    int position = 0;
    while (position < length - 3) {
        const HashChains::Match match = chains.longestAt(data, length, position);
        if (match.from >= 0 && !chains.hasLongerAt(data, length, position + 1, match.length)) {
            writeMatch(bits, match.length, position - match.from);
            position += match.length;
        } else {
            writeSymbol(bits, data[position++]);
        }
    }
    for (; position < length; ++position) writeSymbol(bits, data[position]);
    writeSymbol(bits, 256);  // end of block
    return bits.finish();
}

// The input as stored blocks of at most 32,767 bytes each.
unsigned char* writeStoredBlocks(unsigned char* out, const unsigned char* data, int length) {
    for (int done = 0; done < length;) {
        const int size = std::min(length - done, storedBlockSize);
        *out++ = done + size == length;  // final block, no compression
        *out++ = static_cast<unsigned char>(size);
        *out++ = static_cast<unsigned char>(size >> 8);
        *out++ = static_cast<unsigned char>(~size);
        *out++ = static_cast<unsigned char>(~size >> 8);
        std::memcpy(out, data + done, size);
        out += size;
        done += size;
    }
    return out;
}

int storedBlocksSize(int length) {
    return length + (length + storedBlockSize - 1) / storedBlockSize * 5;
}

unsigned char* writeAdler32(unsigned char* out, const unsigned char* data, int length) {
    // 5552 bytes is the most that can be summed before the sums overflow.
    std::uint32_t s1 = 1, s2 = 0;
    for (int done = 0; done < length;) {
        const int size = std::min(length - done, 5552);
        for (int i = 0; i < size; ++i) {
            s1 += data[done + i];
            s2 += s1;
        }
        s1 %= 65521;
        s2 %= 65521;
        done += size;
    }
    for (const std::uint32_t byte : {s2 >> 8, s2, s1 >> 8, s1}) *out++ = static_cast<unsigned char>(byte);
    return out;
}

}  // namespace

unsigned char* zlibCompress(const unsigned char* data, int length, int* outLength, int quality) {
    HashChains chains(std::max(quality, 5));
    // At most nine bits a byte compressed, plus the block's header and end.
    const std::size_t compressedBound = 2 + (std::size_t{9} * length + 17) / 8;
    const std::size_t capacity = std::max<std::size_t>(compressedBound, 2 + storedBlocksSize(length)) + 4;
    unsigned char* const out = static_cast<unsigned char*>(std::malloc(capacity));
    if (!chains.valid() || !out) {
        std::free(out);
        return nullptr;
    }
    out[0] = 0x78;  // deflate, 32K window
    out[1] = 0x5e;  // compression level "fast" in the header's flags
    unsigned char* end = writeCompressedBlock(out + 2, data, length, chains);
    if (end - (out + 2) > storedBlocksSize(length)) end = writeStoredBlocks(out + 2, data, length);
    end = writeAdler32(end, data, length);
    *outLength = static_cast<int>(end - out);
    return out;
}
