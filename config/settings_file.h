#pragma once
// The settings file "vomra.data": one pretty-printed JSON object.
#include <filesystem>
#include <string>

#include "config/share_settings.h"

std::string settingsToJson(const ShareSettings& settings);

// Parses `json` and assigns the six settings in order; raises the JSON
// library's exceptions, leaving the fields before the failing one assigned.
void applySettingsJson(ShareSettings& settings, const std::string& json);

struct SaveResult {
    bool ok = true;
    std::string message;  // why the save failed, for the user
};

// Replaces the settings file as a whole, or leaves the old one untouched.
SaveResult saveSettings(const ShareSettings& settings, const std::filesystem::path& file);

// Reads `file` and applies it; raises like applySettingsJson (a missing file
// as an empty one), and std::runtime_error when something other than a
// regular file, a FIFO for one, has its name or it cannot be opened or read.
void loadSettings(ShareSettings& settings, const std::filesystem::path& file);
