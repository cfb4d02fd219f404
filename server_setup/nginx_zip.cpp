#include "server_setup/nginx_zip.h"

#include <unzip.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <fstream>
#include <memory>
#include <optional>
#include <system_error>

#include "platform/paths.h"

namespace {

// nginx's zip is a few megabytes and its program one or two; anything far
// larger is no such zip, and is not read into memory whole.
constexpr std::uintmax_t kLargestZip = 256u << 20;
constexpr std::uint64_t kLargestProgram = 64u << 20;
constexpr const char* kFolderPrefix = "nginx-";
constexpr const char* kProgramName = "nginx.exe";

// The zip is read from memory, so minizip needs no file names of its own
// (which it would open by the ANSI code page on Windows).
struct MemoryZip {
    std::vector<unsigned char> bytes;
    std::uint64_t position = 0;
};

voidpf ZCALLBACK openMemory(voidpf opaque, const void*, int mode) {
    if ((mode & ZLIB_FILEFUNC_MODE_READWRITEFILTER) != ZLIB_FILEFUNC_MODE_READ) return nullptr;
    static_cast<MemoryZip*>(opaque)->position = 0;
    return opaque;
}

uLong ZCALLBACK readMemory(voidpf, voidpf stream, void* buffer, uLong size) {
    auto& zip = *static_cast<MemoryZip*>(stream);
    const auto count = static_cast<uLong>(std::min<std::uint64_t>(size, zip.bytes.size() - zip.position));
    std::memcpy(buffer, zip.bytes.data() + zip.position, count);
    zip.position += count;
    return count;
}

uLong ZCALLBACK writeNothing(voidpf, voidpf, const void*, uLong) {
    return 0;
}

ZPOS64_T ZCALLBACK tellMemory(voidpf, voidpf stream) {
    return static_cast<MemoryZip*>(stream)->position;
}

long ZCALLBACK seekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
    auto& zip = *static_cast<MemoryZip*>(stream);
    std::uint64_t base = 0;
    if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = zip.position;
    if (origin == ZLIB_FILEFUNC_SEEK_END) base = zip.bytes.size();
    if (offset > zip.bytes.size() - base) return -1;
    zip.position = base + offset;
    return 0;
}

int ZCALLBACK closeMemory(voidpf, voidpf) {
    return 0;
}

int ZCALLBACK noError(voidpf, voidpf) {
    return 0;
}

struct ZipCloser {
    void operator()(unzFile zip) const { unzClose(zip); }
};
using OpenZip = std::unique_ptr<void, ZipCloser>;

OpenZip openZip(MemoryZip& memory) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = openMemory;
    functions.zread_file = readMemory;
    functions.zwrite_file = writeNothing;
    functions.ztell64_file = tellMemory;
    functions.zseek64_file = seekMemory;
    functions.zclose_file = closeMemory;
    functions.zerror_file = noError;
    functions.opaque = &memory;
    return OpenZip(unzOpen2_64("", &functions));
}

// An entry's path in parts, split at either separator, empty parts kept.
std::vector<std::string> pathParts(const std::string& name) {
    std::vector<std::string> parts(1);
    for (const char c : name) {
        if (c == '/' || c == '\\')
            parts.emplace_back();
        else
            parts.back() += c;
    }
    return parts;
}

// Windows drops trailing dots and spaces from a name, so "..." or ".. " is
// as much a way up as "..".
bool leadsUp(const std::string& part) {
    return part.find("..") != std::string::npos && part.find_first_not_of(". ") == std::string::npos;
}

// Absolute ("/x", "\x"), on a drive ("C:x") or a stream of a file ("a:b"),
// or through "..": each would put a file outside the folder it is unpacked in.
bool climbsOut(const std::string& name) {
    if (name.empty() || name.front() == '/' || name.front() == '\\' || name.find(':') != std::string::npos) return true;
    const auto parts = pathParts(name);
    return std::any_of(parts.begin(), parts.end(), leadsUp);
}

bool isNginxProgram(const std::string& name) {
    const auto parts = pathParts(name);
    return parts.size() == 2 && parts[0].starts_with(kFolderPrefix) && parts[0].size() > std::strlen(kFolderPrefix) &&
           parts[1] == kProgramName;
}

std::optional<std::string> currentEntryName(unzFile zip) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
    std::string name(info.size_filename, '\0');
    if (unzGetCurrentFileInfo64(zip, &info, name.data(), name.size(), nullptr, 0, nullptr, 0) != UNZ_OK)
        return std::nullopt;
    return name;
}

const std::string kDamaged = "这个 zip 压缩包已损坏或没有下载完整，请重新下载：";
const std::string kNotNginx =
    "这个 zip 压缩包不是 nginx 的 Windows 版：里面应当有且只有一个 nginx-版本号\\nginx.exe。请下载 nginx 官网的 "
    "Windows 版 zip：";

// Walks every entry: refuses the zip for an entry that climbs out, and
// leaves it at the one nginx program. Returns the refusal, if any.
std::optional<std::string> findProgram(unzFile zip, const std::string& zipName) {
    std::optional<unz64_file_pos> found;
    int step = unzGoToFirstFile(zip);
    for (; step == UNZ_OK; step = unzGoToNextFile(zip)) {
        const auto name = currentEntryName(zip);
        if (!name) return kDamaged + zipName;
        if (climbsOut(*name)) return "这个 zip 压缩包里有指向压缩包以外的路径（" + *name + "），为安全起见没有使用它。";
        if (!isNginxProgram(*name)) continue;
        if (found) return kNotNginx + zipName;
        found.emplace();
        unzGetFilePos64(zip, &*found);
    }
    if (step != UNZ_END_OF_LIST_OF_FILE) return kDamaged + zipName;
    if (!found) return kNotNginx + zipName;
    unzGoToFilePos64(zip, &*found);
    return std::nullopt;
}

// The current entry's data, all of it and matching its CRC; nullopt when not.
std::optional<std::vector<unsigned char>> readCurrentEntry(unzFile zip) {
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) return std::nullopt;
    if (info.uncompressed_size > kLargestProgram || unzOpenCurrentFile(zip) != UNZ_OK) return std::nullopt;
    std::vector<unsigned char> data(info.uncompressed_size + 1);  // one more, to see that it ends there
    std::size_t got = 0;
    int read = 0;
    while (got < data.size() &&
           (read = unzReadCurrentFile(zip, data.data() + got, static_cast<unsigned>(data.size() - got))) > 0)
        got += static_cast<std::size_t>(read);
    const bool whole = read >= 0 && got == info.uncompressed_size;
    if (unzCloseCurrentFile(zip) != UNZ_OK || !whole) return std::nullopt;
    data.resize(got);
    return data;
}

NginxZipContent refused(std::string why) {
    return {{}, std::move(why)};
}

}  // namespace

NginxZipContent readNginxZip(const std::filesystem::path& zipPath) {
    const std::string zipName = platform::utf8FromPath(zipPath);
    std::error_code error;
    const auto size = std::filesystem::file_size(zipPath, error);
    if (error) return refused("无法读取文件 " + zipName + "：" + error.message());
    if (size > kLargestZip) return refused(kNotNginx + zipName);
    MemoryZip memory;
    memory.bytes.resize(size);
    std::ifstream in(zipPath, std::ios::binary);
    if (!in.read(reinterpret_cast<char*>(memory.bytes.data()), static_cast<std::streamsize>(size)))
        return refused("无法读取文件 " + zipName);

    const OpenZip zip = openZip(memory);
    if (!zip) return refused(kDamaged + zipName);
    if (auto refusal = findProgram(zip.get(), zipName)) return refused(*refusal);
    auto program = readCurrentEntry(zip.get());
    if (!program) return refused("zip 压缩包里的 nginx.exe 已损坏（数据或校验和不符），请重新下载：" + zipName);
    return {std::move(*program), {}};
}
