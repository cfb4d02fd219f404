#pragma once
// A fresh folder below the system's temporary directory for one test,
// removed with everything in it when the test ends, whatever failed.
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <system_error>

class ScratchFolder {
public:
    using Path = std::filesystem::path;

    ScratchFolder() : root_(uniqueName()) { std::filesystem::create_directories(root_); }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(root_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const Path& root() const { return root_; }

    // Creates the file (and its missing directories) holding `contents`.
    Path file(const Path& relative, const std::string& contents = "") const {
        const Path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << contents;
        return path;
    }

    Path directory(const Path& relative) const {
        const Path path = root_ / relative;
        std::filesystem::create_directories(path);
        return path;
    }

    // Whether this system makes symbolic links here (some Windows builds and
    // accounts cannot).
    bool canLink() const {
        const Path probe = root_ / "link-probe";
        std::error_code error;
        std::filesystem::create_symlink("target", probe, error);
        const bool made = !error;
        std::filesystem::remove(probe, error);
        return made;
    }

    // A symbolic link at `relative` whose target is `target` as given.
    Path link(const Path& relative, const Path& target) const {
        const Path path = root_ / relative;
        std::filesystem::create_directories(path.parent_path());
        std::filesystem::create_symlink(target, path);
        return path;
    }

private:
    static Path uniqueName() {
        std::random_device random;
        return std::filesystem::temp_directory_path() /
               ("vomra-test-" + std::to_string(random()) + std::to_string(random()));
    }

    Path root_;
};
