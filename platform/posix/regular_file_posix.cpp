#include "platform/regular_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

std::unique_ptr<RegularFileReader> RegularFileReader::open(const std::filesystem::path& path) {
    // O_NONBLOCK: opening a FIFO with no writer returns at once instead of
    // waiting; the type is then checked on what was opened, not on the name.
    const int descriptor = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC);
    if (descriptor < 0) return nullptr;
    struct stat status {};
    if (::fstat(descriptor, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(descriptor);
        return nullptr;
    }
    return std::unique_ptr<RegularFileReader>(new RegularFileReader(descriptor));
}

RegularFileReader::~RegularFileReader() {
    ::close(static_cast<int>(handle));
}

std::int64_t RegularFileReader::readAt(std::uint64_t offset, void* buffer, std::size_t size) const {
    return ::pread(static_cast<int>(handle), buffer, size, static_cast<off_t>(offset));
}

std::uint64_t RegularFileReader::size() const {
    struct stat status {};
    return ::fstat(static_cast<int>(handle), &status) == 0 ? static_cast<std::uint64_t>(status.st_size) : 0;
}

}  // namespace platform
