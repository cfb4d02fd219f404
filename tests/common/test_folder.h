#pragma once
// A fresh folder below the system's temporary directory, removed with all it
// holds when the test ends, and whole-file reads and writes.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <string>

inline std::filesystem::path pathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

inline std::string utf8Of(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

inline std::string readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline void writeFile(const std::filesystem::path& path, const std::string& bytes) {
    std::ofstream(path, std::ios::binary) << bytes;
}

class TestFolder {
public:
    // `name` may hold blanks, quotes and non-ASCII text: paths like that are
    // what the code under test must cope with.
    explicit TestFolder(const std::string& name) {
        const std::string unique = std::to_string(std::random_device{}());
        path_ = std::filesystem::temp_directory_path() / pathOf("vomra-" + unique + "-" + name);
        std::filesystem::create_directories(path_);
    }
    ~TestFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string utf8() const { return utf8Of(path_); }
    std::filesystem::path operator/(const std::string& name) const { return path_ / pathOf(name); }

private:
    std::filesystem::path path_;
};
