#pragma once
// Settings that pass every check, and the folder the program lives in, their
// paths spelt as whole paths of the system the tests run on.
#include <filesystem>
#include <optional>
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"
#include "platform/paths.h"
#include "share/safe_values.h"

struct SafeService {
    std::filesystem::path programDir;
    ShareSettings settings;
};

inline SafeService safeService() {
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    return {base / "vomra 程序",
            {platform::utf8FromPath(base / "My Videos"), "电影 2024", "guest user", "pa ss'&|<>!", 8080, 5}};
}

inline std::optional<std::string> findUnsafeValue(const SafeService& service) {
    return findUnsafeValue(service.settings, InstallPaths(service.programDir));
}
