#pragma once
// nginx's Windows zip as nginx's site offers it: nginx-<version>/nginx.exe
// beside its conf, html and docs folders, of which only the program is used.
#include <filesystem>
#include <string>
#include <vector>

struct NginxZipContent {
    std::vector<unsigned char> program;  // nginx.exe, whole and matching its CRC
    std::string refusal;                 // why the zip was not used (UTF-8, for the user); empty when it was
};

// Takes the one nginx-<version>/nginx.exe out of the zip at `zip`. Refuses a
// file that is no whole zip, a zip with an entry whose path climbs out of it
// (".." parts, an absolute path, a drive letter), a zip without that entry
// or with several, and an entry whose data is damaged.
NginxZipContent readNginxZip(const std::filesystem::path& zip);
