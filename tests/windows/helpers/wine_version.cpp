#include "helpers/wine_version.h"

#include <string>
#include <windows.h>

// Wine's ntdll has wine_get_version; Windows' has not.
int wineMajorVersion() {
    using GetVersion = const char* (*)();
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    const auto getVersion =
        reinterpret_cast<GetVersion>(reinterpret_cast<void*>(GetProcAddress(ntdll, "wine_get_version")));
    return getVersion != nullptr ? std::stoi(getVersion()) : 0;
}
