#pragma once
// A faster stand-in for the zlib compressor built into stb_image_write.

// Compresses `data` into the very stream stb_image_write's own compressor
// makes at `quality`: the same matches from the same hash chains, the same
// fixed Huffman codes, the same fallback to stored blocks when compressing
// does not pay, the same Adler-32. So a PNG made with it is byte for byte
// the library's. The result is malloc'd, for the writer to free; null when
// memory ran out.
unsigned char* zlibCompress(const unsigned char* data, int length, int* outLength, int quality);
