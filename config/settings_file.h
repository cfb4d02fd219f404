#pragma once
// The settings file "vomra.data": one pretty-printed JSON object.
#include <string>

#include "config/share_service.h"

std::string settingsToJson(const ShareService& service);

// Parses `json` and assigns the six settings in order; raises the JSON
// library's exceptions, leaving the fields before the failing one assigned.
void applySettingsJson(ShareService& service, const std::string& json);

struct SaveResult {
    bool ok = true;
    std::string message;  // why the save failed, for the user
};

// Replaces the settings file as a whole, or leaves the old one untouched.
SaveResult saveSettings(const ShareService& service);

// Reads settingsPath and applies it; raises like applySettingsJson (a missing
// file as an empty one), and std::runtime_error when something other than a
// regular file, a FIFO for one, has its name or it cannot be opened or read.
void loadSettings(ShareService& service);
