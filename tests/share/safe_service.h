#pragma once
// Settings that pass every check, their folders spelt as whole paths of the
// system the tests run on.
#include <filesystem>

#include "config/share_service.h"
#include "platform/paths.h"

inline ShareService safeService() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    ShareService service;
    service.passwordFilePath = platform::utf8FromPath(base / "vomra 程序" / "vomrixserver" / "server" / ".htpasswd");
    service.settings = {platform::utf8FromPath(base / "My Videos"), "电影 2024", "guest user", "pa ss'&|<>!", 8080, 5};
    return service;
}
