#include "tests/server_setup/zip_maker.h"

#include <zip.h>

#include <stdexcept>

void makeZip(const std::filesystem::path& path, const std::vector<ZipEntry>& entries) {
    zipFile zip = zipOpen64(path.string().c_str(), APPEND_STATUS_CREATE);
    if (!zip) throw std::runtime_error("cannot create " + path.string());
    bool written = true;
    for (const auto& entry : entries) {
        const zip_fileinfo info{};
        written = written &&
                  zipOpenNewFileInZip64(zip, entry.name.c_str(), &info, nullptr, 0, nullptr, 0, nullptr,
                                        entry.stored ? 0 : Z_DEFLATED, Z_DEFAULT_COMPRESSION, 0) == ZIP_OK &&
                  zipWriteInFileInZip(zip, entry.bytes.data(), static_cast<unsigned>(entry.bytes.size())) == ZIP_OK &&
                  zipCloseFileInZip(zip) == ZIP_OK;
    }
    if (zipClose(zip, nullptr) != ZIP_OK || !written) throw std::runtime_error("cannot write " + path.string());
}

std::string windowsProgramHeaders(std::uint16_t machine, std::uint16_t characteristics, const std::string& rest) {
    std::string dos(0x40, '\0');
    dos[0] = 'M';
    dos[1] = 'Z';
    dos[0x3C] = 0x40;  // the PE signature follows at once
    std::string coff(20, '\0');
    coff[0] = static_cast<char>(machine & 0xFF);
    coff[1] = static_cast<char>(machine >> 8);
    coff[18] = static_cast<char>(characteristics & 0xFF);
    coff[19] = static_cast<char>(characteristics >> 8);
    return dos + std::string("PE\0\0", 4) + coff + rest;
}
