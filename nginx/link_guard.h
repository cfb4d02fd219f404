#pragma once
// Links in the shared folder that lead to the program's own files.
//
// nginx follows a link when its owner also owns what it leads to, and it
// cannot tell where a link leads. So a link its user made to the server
// directory, to a folder holding it, or to the settings file, under any name,
// would serve the configuration or the password. A hard link is another name
// of the file itself, which no check of nginx's can see. Start looks for both
// kinds, and the running share again every few seconds; the paths through
// them are denied, each by a location of its own.
#include <stop_token>
#include <string>
#include <vector>

#include "config/install_paths.h"
#include "config/share_settings.h"

// The paths below the shared folder, UTF-8 in the system's spelling and in
// sorted order, that lead through a symbolic link into the server directory
// or to the settings file (or the temporary file a settings save writes
// first), and the files that are one of those files under another name: the
// settings file and its temporary twin, the password file, and every file in
// the server directory's conf/ and logs/. Links inside folders reached through
// other links are not looked into. A stop request ends the walk early, with
// what it found so far.
std::vector<std::string> pathsThroughLinksToProgramFiles(const ShareSettings& settings, const InstallPaths& paths,
                                                         std::stop_token stop = {});
