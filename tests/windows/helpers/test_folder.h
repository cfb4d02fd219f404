#pragma once
// A fresh folder for one test below the temporary directory, removed again
// afterwards; while it exists it is also the current directory, as the
// program's own directory is for the program.
#include <chrono>
#include <filesystem>
#include <string>
#include <vector>

#include "helpers/call_record.h"

class TestFolder {
public:
    explicit TestFolder(const std::wstring& name);
    ~TestFolder();
    TestFolder(const TestFolder&) = delete;
    TestFolder& operator=(const TestFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }

    // Copies a helper program into `folder` (made if missing) as `name`.
    static std::filesystem::path placeProgram(const std::filesystem::path& program, const std::filesystem::path& folder,
                                              const std::wstring& name);

private:
    std::filesystem::path path_;
    std::filesystem::path previousDirectory_;
};

// The recorded calls of `program` once there are at least `count` of them,
// or what there is after a generous deadline.
std::vector<CallRecord> waitForCalls(const std::filesystem::path& program, std::size_t count);

// A path's UTF-8 text, as the arguments and the records hold it.
std::string utf8Of(const std::filesystem::path& path);

// The helper programs the build placed beside the test program.
std::filesystem::path recordingStandIn();
std::filesystem::path programDirectoryProbe();
std::filesystem::path serverHolder();
