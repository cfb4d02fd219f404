#pragma once
// Which settings nginx and htpasswd cannot take.
#include <optional>
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"

// The first unsafe value, as one sentence that names the field by its dialog
// label and says why; nullopt when every value is safe.
std::optional<std::string> findUnsafeValue(const ShareSettings& settings, const InstallPaths& paths);
