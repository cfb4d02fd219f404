#pragma once
// Writing a whole file so that readers see either the old file or the
// complete new one, never a part, without going through links.
#include <filesystem>
#include <span>

#include "platform/link_free_directory.h"

// Writes `bytes` to a temporary file in `directory`, then renames it onto
// `name` there. False when any step fails; nothing is left behind then and
// an existing file `name` is unchanged.
bool writeFileAtomically(const platform::LinkFreeDirectory& directory, const std::filesystem::path& name,
                         std::span<const unsigned char> bytes);

// A new name for a temporary file, which isTemporaryName recognises, so that
// one an interrupted run left is removed at the next start.
std::filesystem::path newTemporaryName();

// Whether `name` is one of the temporary files writeFileAtomically makes.
bool isTemporaryName(const std::filesystem::path& name);
