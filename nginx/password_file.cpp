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

// The file exists, empty and private, before htpasswd sees it, so htpasswd
// runs without -c and only ever updates a file whose mode is already set;
// -i: the password is the first line of its standard input.
bool writeWithHtpasswd(const PasswordFileEntry& entry, const platform::ProgramRunner& run) {
    if (platform::createPrivateFile(entry.file)) return false;
    const platform::ProgramRun htpasswd =
        run(entry.htpasswd, {"-i", platform::utf8FromPath(entry.file), entry.userName}, entry.password + "\n");
    return htpasswd.started && htpasswd.exitCode == 0 && holdsTheUser(entry.file, entry.userName);
}

// The line goes to a private "<file>.tmp" that replaces the file once it is
// completely written, so a hard link to the old file never sees the new hash
// and a failure leaves no half-written file.
bool writeHashed(const PasswordFileEntry& entry, const PasswordHasher& hash) {
    const auto hashed = hash(entry.password);
    return hashed && !platform::replaceWithPrivateFile(entry.file, entry.userName + ':' + *hashed + '\n',
                                                       platform::LineBreaks::asGiven);
}

}  // namespace

bool writePasswordFile(const PasswordFileEntry& entry, const platform::ProgramRunner& run, const PasswordHasher& hash) {
    return entry.htpasswd.empty() ? writeHashed(entry, hash) : writeWithHtpasswd(entry, run);
}
