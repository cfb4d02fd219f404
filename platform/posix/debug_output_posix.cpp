#include "platform/debug_output.h"

#include <unistd.h>

#include "platform/text_codec.h"

namespace platform {

// One write() per call, so that lines from several threads never interleave.
void debugOutput(const std::wstring& text) {
    const std::string bytes = wideToUtf8(text);
    std::size_t written = 0;
    while (written < bytes.size()) {
        const ssize_t n = ::write(STDERR_FILENO, bytes.data() + written, bytes.size() - written);
        if (n <= 0) return;  // nowhere to report to; debug output is best effort
        written += static_cast<std::size_t>(n);
    }
}

}  // namespace platform
