#pragma once
// UTF-16 (wide) text to UTF-8 bytes and back; malformed input becomes U+FFFD.
// The wxString forms live in the application, over these.
#include <string>

std::string toUtf8(const std::wstring& text);
std::wstring fromUtf8(const std::string& bytes);
