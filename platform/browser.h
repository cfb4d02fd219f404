#pragma once
// Showing a web address to the user.
#include <string>

namespace platform {

// Opens `url` (UTF-8) in the user's default browser and returns at once.
// POSIX: xdg-open, whose end is awaited on a thread of its own so that it
// leaves no zombie behind; Windows: the shell's "open".
void openInBrowser(const std::string& url);

}  // namespace platform
