#include "helpers/test_folder.h"

#include <thread>

#include "platform/paths.h"

namespace fs = std::filesystem;

namespace {

// Wine lets go of an ended program's working directory a moment after the
// end is signalled; until then the folder cannot be removed.
std::error_code removeFolder(const fs::path& folder) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(5);
    std::error_code error;
    while (fs::remove_all(folder, error), error && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return error;
}

fs::path besideThisProgram(const wchar_t* name) {
    return fs::path(platform::executablePath()).parent_path() / name;
}

}  // namespace

TestFolder::TestFolder(const std::wstring& name)
    : path_(fs::temp_directory_path() / L"vomra-windows-tests" / name), previousDirectory_(fs::current_path()) {
    if (const std::error_code error = removeFolder(path_)) {
        throw fs::filesystem_error("remove_all", path_, error);
    }
    fs::create_directories(path_);
    fs::current_path(path_);
}

TestFolder::~TestFolder() {
    fs::current_path(previousDirectory_);
    removeFolder(path_);
}

fs::path TestFolder::placeProgram(const fs::path& program, const fs::path& folder, const std::wstring& name) {
    fs::create_directories(folder);
    const fs::path placed = folder / name;
    fs::copy_file(program, placed, fs::copy_options::overwrite_existing);
    return placed;
}

std::vector<CallRecord> waitForCalls(const fs::path& program, std::size_t count) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    std::vector<CallRecord> calls = readCallRecords(callsFileOf(program));
    while (calls.size() < count && std::chrono::steady_clock::now() < deadline) {
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
        calls = readCallRecords(callsFileOf(program));
    }
    return calls;
}

std::string utf8Of(const fs::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

fs::path recordingStandIn() {
    return besideThisProgram(L"recording_stand_in.exe");
}
fs::path programDirectoryProbe() {
    return besideThisProgram(L"program_directory_probe.exe");
}
fs::path serverHolder() {
    return besideThisProgram(L"server_holder.exe");
}
