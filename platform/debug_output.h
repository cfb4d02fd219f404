#pragma once
#include <string>

namespace platform {

// Windows: OutputDebugStringW. POSIX: standard error.
void debugOutput(const std::wstring& text);

}  // namespace platform
