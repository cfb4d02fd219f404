#pragma once
// The tree of stills below the thumbnail root, entered and made without
// going through a link: whoever may write to the shared folder may place
// links in it, and a still must never land outside it.
#include <filesystem>
#include <memory>

#include "platform/link_free_directory.h"

// The directory that holds the still at `relativeStill` (a path below
// `root`), with the root and the folders on the way made when missing.
// Null when a link, a file or anything else stands where a folder belongs
// (it is left as it is), or a folder cannot be made.
std::unique_ptr<platform::LinkFreeDirectory> openStillDirectory(const std::filesystem::path& root,
                                                                const std::filesystem::path& relativeStill);

// Removes the temporary stills that interrupted captures left anywhere
// below `root`. Links are neither followed nor removed.
void removeTemporaryStills(const std::filesystem::path& root);
