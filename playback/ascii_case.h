#pragma once
// A-Z folded to a-z, as the program folds file names and extensions.
#include <algorithm>
#include <string>

inline std::string asciiLowerCase(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c); });
    return text;
}
