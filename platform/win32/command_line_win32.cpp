#include "platform/win32/command_line_win32.h"

#include "platform/text_codec.h"

namespace platform {
namespace {

// The C runtime's reading: inside double quotes, 2n backslashes before a
// quote stand for n backslashes, 2n+1 for n and a literal quote; backslashes
// elsewhere stand for themselves. An argument without blanks or quotes needs
// none of this, except the empty one, which needs the quotes.
std::wstring quotedArgument(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\n\v\"") == std::wstring::npos) return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (const wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? 2 * backslashes + 1 : backslashes, L'\\');
        quoted += c;
        backslashes = 0;
    }
    quoted.append(2 * backslashes, L'\\');  // they stand before the closing quote
    return quoted + L"\"";
}

}  // namespace

// The program's own name is read up to the next quote, without escapes; a
// file name holds no quote.
std::wstring commandLineOf(const std::filesystem::path& program, const std::vector<std::string>& arguments) {
    std::wstring line = L"\"" + program.wstring() + L"\"";
    for (const std::string& argument : arguments) line += L" " + quotedArgument(utf8ToWide(argument));
    return line;
}

}  // namespace platform
