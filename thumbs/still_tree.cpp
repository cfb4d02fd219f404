#include "thumbs/still_tree.h"

#include "thumbs/atomic_file_write.h"

namespace fs = std::filesystem;

namespace {

using Directory = std::unique_ptr<platform::LinkFreeDirectory>;

void removeTemporariesBelow(const platform::LinkFreeDirectory& directory) {
    for (const platform::DirectoryEntry& entry : directory.entries()) {
        if (entry.kind == platform::EntryKind::regularFile && isTemporaryName(entry.name)) directory.remove(entry.name);
        if (entry.kind != platform::EntryKind::directory) continue;
        if (const Directory below = directory.child(entry.name, false)) removeTemporariesBelow(*below);
    }
}

}  // namespace

Directory openStillDirectory(const platform::LinkFreeDirectory& folder, const fs::path& relativeStill, bool make) {
    Directory directory = folder.child(kStillFolderName, make);
    for (const fs::path& name : relativeStill.parent_path()) {
        if (!directory) break;
        directory = directory->child(name, make);
    }
    return directory;
}

void removeTemporaryStills(const platform::LinkFreeDirectory& folder) {
    if (const Directory directory = folder.child(kStillFolderName, false)) removeTemporariesBelow(*directory);
}
