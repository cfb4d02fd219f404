#pragma once
// The user's settings of the share, as the window shows them and the
// settings file stores them. Strings are UTF-8.
#include <cstdint>
#include <string>

struct ShareSettings {
    std::string sharedFolder;
    std::string shareName;
    std::string userName;
    std::string password;
    std::int32_t port = 0;
    std::int32_t screenshotSeconds = 0;
};
