#include "platform/debug_output.h"

#include <windows.h>

namespace platform {

void debugOutput(const std::wstring& text) {
    OutputDebugStringW(text.c_str());
}

}  // namespace platform
