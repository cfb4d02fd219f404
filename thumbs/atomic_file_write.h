#pragma once
// Writing a whole file so that readers see either the old file or the
// complete new one, never a part.
#include <filesystem>
#include <span>

// Writes `bytes` to a temporary file beside `target`, then renames it onto
// `target`. False when any step fails; nothing is left behind then and an
// existing `target` is unchanged.
bool writeFileAtomically(const std::filesystem::path& target, std::span<const unsigned char> bytes);
