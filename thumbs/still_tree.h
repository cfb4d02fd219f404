#pragma once
// The tree of stills below the shared folder's VTemp, entered and made from
// the folder held open, without going through a link: whoever may write to
// the shared folder may place links in it, and a still must never land
// outside it.
#include <filesystem>
#include <memory>

#include "platform/link_free_directory.h"
#include "res/video_kinds.h"

// The folder below the shared folder that holds the stills.
inline const std::filesystem::path kStillFolderName{std::string(video_kinds::kStillFolder)};

// The directory that holds the still at `relativeStill` (a path below the
// still folder of `folder`), with the still folder and the folders on the
// way made when missing and `make` is set. Null when a link, a file or
// anything else stands where a folder belongs (it is left as it is), or a
// folder is missing or cannot be made.
std::unique_ptr<platform::LinkFreeDirectory> openStillDirectory(const platform::LinkFreeDirectory& folder,
                                                                const std::filesystem::path& relativeStill,
                                                                bool make = true);

// Removes the temporary stills that interrupted captures left anywhere in
// the still folder of `folder`. Links are neither followed nor removed.
void removeTemporaryStills(const platform::LinkFreeDirectory& folder);
