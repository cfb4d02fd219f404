#include "platform/private_file.h"

#include <fstream>

namespace platform {

std::optional<PrivateReplaceFailure> replaceWithPrivateFile(const std::filesystem::path& target, std::string_view text,
                                                            LineBreaks lineBreaks) {
    std::filesystem::path temporary = target;
    temporary += ".tmp";
    if (const std::error_code error = createPrivateFile(temporary))
        return PrivateReplaceFailure{PrivateReplaceFailure::Step::create, error};
    std::ofstream out(temporary, lineBreaks == LineBreaks::asGiven ? std::ios::binary : std::ios::out);
    out.write(text.data(), static_cast<std::streamsize>(text.size()));
    out.close();
    std::optional<PrivateReplaceFailure> failure;
    if (!out) {
        failure = PrivateReplaceFailure{PrivateReplaceFailure::Step::write, {}};
    } else if (const std::error_code error = replaceFileDurably(temporary, target)) {
        failure = PrivateReplaceFailure{PrivateReplaceFailure::Step::replace, error};
    }
    std::error_code ignored;
    if (failure) std::filesystem::remove(temporary, ignored);
    return failure;
}

}  // namespace platform
