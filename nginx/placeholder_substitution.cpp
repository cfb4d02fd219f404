#include "nginx/placeholder_substitution.h"

namespace {

const Placeholder* placeholderAt(const std::string& text, std::size_t position,
                                 const std::vector<Placeholder>& placeholders) {
    for (const Placeholder& placeholder : placeholders) {
        if (text.compare(position, placeholder.word.size(), placeholder.word) == 0) return &placeholder;
    }
    return nullptr;
}

}  // namespace

std::string substitutePlaceholders(const std::string& text, const std::vector<Placeholder>& placeholders) {
    std::string result;
    result.reserve(text.size());
    std::size_t position = 0;
    while (position < text.size()) {
        if (const Placeholder* placeholder = placeholderAt(text, position, placeholders)) {
            result += placeholder->value;
            position += placeholder->word.size();
        } else {
            result += text[position];
            ++position;
        }
    }
    return result;
}
