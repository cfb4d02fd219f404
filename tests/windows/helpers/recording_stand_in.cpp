// Stands in for nginx.exe and htpasswd.exe: records how it was called (its
// working directory and arguments) beside itself and ends with status 0.
// With VOMRA_STAND_IN_READS_INPUT set in its environment it first reads its
// standard input to the end, and records that too.
//
//   --linger-ms N    as the first two arguments: wait N ms before recording,
//                    so a test can tell whether its caller waited
//   --exit-code N    as the first two arguments: end with status N
// Options are recorded like any other argument.
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <thread>

#include "helpers/call_record.h"
#include "platform/paths.h"

namespace {

std::string utf8(const std::filesystem::path& path) {
    const std::u8string text = path.u8string();
    return {text.begin(), text.end()};
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    CallRecord call;
    call.workingDirectory = utf8(std::filesystem::current_path());
    for (int i = 1; i < argc; ++i) call.arguments.push_back(utf8(argv[i]));
    if (std::getenv("VOMRA_STAND_IN_READS_INPUT")) call.standardInput = wholeStandardInput();

    const std::wstring option = argc > 2 ? argv[1] : L"";
    const bool lingers = option == L"--linger-ms";
    const bool exits = option == L"--exit-code";
    const int value = lingers || exits ? std::stoi(argv[2]) : 0;
    if (lingers) std::this_thread::sleep_for(std::chrono::milliseconds(value));

    appendCallRecord(callsFileOf(platform::executablePath()), call);
    return exits ? value : 0;
}
