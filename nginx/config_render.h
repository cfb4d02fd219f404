#pragma once
// Rendering nginx.conf from its template nginx.confbak.
#include <string>

#include "config/install_paths.h"
#include "config/share_settings.h"

// Every occurrence of `word` (never empty) replaced, left to right; inserted
// text is not searched again.
std::string replaceAll(std::string text, const std::string& word, const std::string& replacement);

// Reads the configuration template, substitutes the six placeholders and
// writes nginx.conf, and the list of denied links beside it. Returns false
// (with a reason) when a file could not be read or written.
struct RenderResult {
    bool ok = true;
    std::string message;
};
RenderResult renderServerConfig(const ShareSettings& settings, const InstallPaths& paths);
