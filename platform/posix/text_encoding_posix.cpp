#include "platform/text_encoding.h"

#include <iconv.h>

#include <cerrno>

namespace platform {
namespace {

const char* iconvName(TextEncoding encoding) {
    switch (encoding) {
        case TextEncoding::gb18030:
            return "GB18030";
        case TextEncoding::utf16le:
            return "UTF-16LE";
        case TextEncoding::utf16be:
            return "UTF-16BE";
    }
    return "";
}

}  // namespace

std::string encodedTextToUtf8(std::string_view bytes, TextEncoding encoding) {
    const iconv_t converter = iconv_open("UTF-8", iconvName(encoding));
    if (converter == reinterpret_cast<iconv_t>(-1)) return {};
    std::string out;
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char buffer[4096];
    while (inLeft > 0) {
        char* to = buffer;
        std::size_t toLeft = sizeof buffer;
        const std::size_t done = iconv(converter, &in, &inLeft, &to, &toLeft);
        out.append(buffer, sizeof buffer - toLeft);
        if (done != static_cast<std::size_t>(-1) || errno == E2BIG) continue;
        // A byte the encoding does not have, or a sequence cut short at the end.
        out += "\xEF\xBF\xBD";
        ++in;
        --inLeft;
    }
    iconv_close(converter);
    return out;
}

}  // namespace platform
