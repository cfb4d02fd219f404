#pragma once
// The one spelling of an argument list as a Windows command line, for every
// program this program starts.
#include <filesystem>
#include <string>
#include <vector>

namespace platform {

// `program` and `arguments` (UTF-8) as one command line that the called
// program's C runtime, and CommandLineToArgvW, split back into exactly these
// arguments.
std::wstring commandLineOf(const std::filesystem::path& program, const std::vector<std::string>& arguments);

}  // namespace platform
