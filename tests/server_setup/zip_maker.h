#pragma once
// Zips as a test needs them, and stand-ins for a Windows program.
#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

struct ZipEntry {
    std::string name;  // as the zip holds it, separators included
    std::string bytes;
    bool stored = false;  // kept uncompressed, so a test can find and spoil its bytes
};

// Writes the entries, in order, as a new zip at `zip` (an ASCII path).
void makeZip(const std::filesystem::path& zip, const std::vector<ZipEntry>& entries);

// The headers a Windows program begins with (DOS header, PE signature, COFF
// header) for `machine` with `characteristics`, then `rest`. The defaults
// make an x64 executable.
std::string windowsProgramHeaders(std::uint16_t machine = 0x8664, std::uint16_t characteristics = 0x0022,
                                  const std::string& rest = "stands in for nginx");
