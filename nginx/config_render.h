#pragma once
// Rendering nginx.conf from its template nginx.confbak.
#include <cstdint>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "config/share_settings.h"

// Every occurrence of `word` (never empty) replaced, left to right; inserted
// text is not searched again.
std::string replaceAll(std::string text, const std::string& word, const std::string& replacement);

// Where nginx passes playback requests: the helper's loopback port, and the
// secret it adds to each request.
struct PlaybackDoor {
    std::uint16_t port = 0;
    std::string secret;
};

// Reads the configuration template, substitutes the eight placeholders and
// writes nginx.conf, and the list of denied links beside it. Returns false
// (with a reason) when a file could not be read or written.
struct RenderResult {
    bool ok = true;
    std::string message;
    std::vector<std::string> deniedPaths;  // the links denied, as pathsThroughLinksToProgramFiles found them
};
RenderResult renderServerConfig(const ShareSettings& settings, const InstallPaths& paths, const PlaybackDoor& playback);

// Replaces the list of denied links alone with one that denies `deniedPaths`
// (below the shared folder, as pathsThroughLinksToProgramFiles gives them);
// the running server reads it when it reloads its configuration.
RenderResult writeDeniedLinks(const ShareSettings& settings, const InstallPaths& paths,
                              const std::vector<std::string>& deniedPaths);
