#pragma once
// The program's own location and the native spelling of paths.
#include <filesystem>
#include <string>

namespace platform {

#ifdef _WIN32
inline constexpr wchar_t kPathSeparator = L'\\';
inline constexpr const wchar_t* kServerProgramName = L"nginx.exe";
// None: the program hashes passwords itself, with the system's cryptography.
inline constexpr const wchar_t* kHtpasswdProgramName = nullptr;
// "clip.mp4:Zone.Identifier" names a stream of the file clip.mp4.
inline constexpr bool kFileNamesEndAtColon = true;
// nginx.exe does not come with the program: the user downloads nginx's zip
// for Windows from this page, and the program takes nginx.exe out of it.
inline constexpr const char* kServerDownloadPage = "https://nginx.org/en/download.html";
#else
inline constexpr wchar_t kPathSeparator = L'/';
inline constexpr const wchar_t* kServerProgramName = L"nginx";
inline constexpr const wchar_t* kHtpasswdProgramName = L"htpasswd";
inline constexpr bool kFileNamesEndAtColon = false;          // ":" is a character like any other
inline constexpr const char* kServerDownloadPage = nullptr;  // the system's own nginx is used
#endif

// Full path of the running executable (empty when it cannot be found).
std::filesystem::path executablePath();

// A path held as UTF-8 text, ready to open, test or remove. On Windows the
// text is decoded; on POSIX the bytes are the file name as they stand.
std::filesystem::path pathFromUtf8(const std::string& utf8);

// The other way: a path as UTF-8 text, for messages and files that name it.
// Not through wstring(), which on POSIX decodes the name by the C++ locale
// and throws for any non-ASCII name under the "C" one.
inline std::string utf8FromPath(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace platform
