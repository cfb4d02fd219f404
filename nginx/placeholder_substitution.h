#pragma once
// Substituting several placeholder words in one pass over a text.
#include <string>
#include <vector>

struct Placeholder {
    std::string word;  // never empty
    std::string value;
};

// Scans `text` once, left to right, and replaces each placeholder word it
// meets by its value. Where two words start at the same position the earlier
// one in `placeholders` wins. Inserted values are never searched again, and
// a word inside a longer word is replaced all the same.
std::string substitutePlaceholders(const std::string& text, const std::vector<Placeholder>& placeholders);
