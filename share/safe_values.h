#pragma once
// Which settings nginx and htpasswd cannot take.
#include <optional>
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"

// Every unsafe value, one sentence a line that names the field by its dialog
// label and says why, in the window's order; nullopt when every value is safe.
std::optional<std::string> findUnsafeValue(const ShareSettings& settings, const InstallPaths& paths);

// Why the shared folder's text alone is unsafe (empty, relative, "$"); the
// sentence findUnsafeValue gives for it.
std::optional<std::string> findUnsafeFolderText(const std::string& folder);
