#pragma once
// Rendering nginx.conf from its template nginx.confbak.
#include <string>

#include "config/share_service.h"

// Every occurrence of `word` (never empty) replaced, left to right; inserted
// text is not searched again.
std::string replaceAll(std::string text, const std::string& word, const std::string& replacement);

// Reads configTemplatePath, substitutes the six placeholders and writes
// configPath. Returns false (with a reason) when a file could not be read or written.
struct RenderResult {
    bool ok = true;
    std::string message;
};
RenderResult renderServerConfig(const ShareService& service);
