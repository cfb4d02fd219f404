#include "thumbs/still_tree.h"

#include "thumbs/atomic_file_write.h"

namespace fs = std::filesystem;

namespace {

using Directory = std::unique_ptr<platform::LinkFreeDirectory>;

// The root itself: its parent is resolved as given (the shared folder is
// the user's choice), the root's own name is not followed when a link.
Directory openRoot(const fs::path& root, bool make) {
    const fs::path normal = root.lexically_normal();
    const fs::path name = normal.has_filename() ? normal.filename() : normal.parent_path().filename();
    const fs::path parent = (normal.has_filename() ? normal : normal.parent_path()).parent_path();
    const Directory above = platform::LinkFreeDirectory::open(parent.empty() ? fs::path(".") : parent);
    return above ? above->child(name, make) : nullptr;
}

void removeTemporariesBelow(const platform::LinkFreeDirectory& directory) {
    for (const platform::DirectoryEntry& entry : directory.entries()) {
        if (entry.kind == platform::EntryKind::regularFile && isTemporaryName(entry.name)) directory.remove(entry.name);
        if (entry.kind != platform::EntryKind::directory) continue;
        if (const Directory below = directory.child(entry.name, false)) removeTemporariesBelow(*below);
    }
}

}  // namespace

Directory openStillDirectory(const fs::path& root, const fs::path& relativeStill) {
    Directory directory = openRoot(root, true);
    for (const fs::path& name : relativeStill.parent_path()) {
        if (!directory) break;
        directory = directory->child(name, true);
    }
    return directory;
}

void removeTemporaryStills(const fs::path& root) {
    if (const Directory directory = openRoot(root, false)) removeTemporariesBelow(*directory);
}
