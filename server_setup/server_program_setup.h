#pragma once
// Where the program ships without its web server (on Windows nginx.exe
// cannot come with it), the user downloads nginx's own zip and the program
// places nginx.exe from it in the server directory.
#include <filesystem>
#include <optional>
#include <span>
#include <string>

#include "config/install_paths.h"

// Writes `program` as the installation's server program: into a temporary
// file in the server directory, then renamed onto the program's name, so
// that no other file is touched and nothing is written through a link. The
// folders below the program directory, and a program already there, must be
// no links (on Windows, no reparse points). Returns why it was refused
// (UTF-8, for the user); nothing is left changed then.
std::optional<std::string> placeServerProgram(std::span<const unsigned char> program, const InstallPaths& paths);

// The whole step: nginx.exe out of nginx's Windows zip at `zip`, checked to
// be a Windows program, then placed as above. Returns why it was refused.
std::optional<std::string> installServerProgramFromZip(const std::filesystem::path& zip, const InstallPaths& paths);
