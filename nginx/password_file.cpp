#include "nginx/password_file.h"

#include <fstream>

#include "platform/paths.h"
#include "platform/private_file.h"

namespace {

// htpasswd can fail after it has written the file, which then lacks the user.
bool holdsTheUser(const std::filesystem::path& file, const std::string& userName) {
    std::ifstream in(file, std::ios::binary);
    const std::string userLine = userName + ":";
    for (std::string line; std::getline(in, line);)
        if (line.starts_with(userLine)) return true;
    return false;
}

}  // namespace

// The file exists, empty and private, before htpasswd sees it, so htpasswd
// runs without -c and only ever updates a file whose mode is already set;
// -i: the password is the first line of its standard input.
bool writePasswordFile(const PasswordFileEntry& entry, const platform::ProgramRunner& run) {
    if (platform::createPrivateFile(entry.file)) return false;
    const platform::ProgramRun htpasswd =
        run(entry.htpasswd, {"-i", platform::utf8FromPath(entry.file), entry.userName}, entry.password + "\n");
    return htpasswd.started && htpasswd.exitCode == 0 && holdsTheUser(entry.file, entry.userName);
}
