#pragma once
// Links in the shared folder that lead to the program's own files.
//
// nginx follows a link when its owner also owns what it leads to, and it
// cannot tell where a link leads. So a link its user made to the server
// directory, to a folder holding it, or to the settings file, under any name,
// would serve the configuration or the password. Start looks for such links
// and denies the paths through them, each by a location of its own.
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "config/share_settings.h"

// The paths below the shared folder, UTF-8 in the system's spelling, that lead
// through a link into the server directory or to the settings file (or the
// temporary file a settings save writes first). Links inside folders reached
// through other links are not looked into.
std::vector<std::string> pathsThroughLinksToProgramFiles(const ShareSettings& settings, const InstallPaths& paths);
