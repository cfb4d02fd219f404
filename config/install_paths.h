#pragma once
// Installation paths, all derived from the program's own directory by plain
// concatenation of fixed suffixes.
#include <string>

#include "config/share_service.h"

// The directory that holds the program's executable (a root keeps its separator).
std::wstring programDirectory();

// The directory part of `filePath` by the standard path library's rule: the
// last element and the separators before it go, a root keeps its separator.
std::wstring parentDirectory(const std::wstring& filePath);

// programDir + "/vomrixserver/server": nginx, htpasswd, .htpasswd, conf/, logs/.
std::wstring serverDirectory(const std::wstring& programDir);

// settingsPath = programDir + "/vomra.data".
void deriveSettingsPath(ShareService& service, const std::wstring& programDir);

// The rest, after the settings are loaded: configTemplatePath, configPath,
// serverExePath, thumbnailRoot, htpasswdExePath, passwordFilePath.
void deriveInstallationPaths(ShareService& service, const std::wstring& programDir);

// thumbnailRoot = fromUtf8(sharedFolder) + "/VTemp".
void deriveThumbnailRoot(ShareService& service);

// Stores the folder and derives the thumbnail root from it.
void setSharedFolder(ShareService& service, const std::string& folderUtf8);
