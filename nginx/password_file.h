#pragma once
// The file of user names and password hashes that nginx checks a login
// against: written by htpasswd where the system has it (POSIX), by the
// program itself where it has not (Windows).
#include <filesystem>
#include <functional>
#include <optional>
#include <string>

#include "platform/password_hash.h"
#include "platform/process.h"

struct PasswordFileEntry {
    std::filesystem::path htpasswd;  // the program; empty: the program hashes the password itself
    std::filesystem::path file;
    std::string userName;  // UTF-8
    std::string password;  // UTF-8, one line
};

// A password's hash as nginx verifies it; nullopt when it cannot be made.
using PasswordHasher = std::function<std::optional<std::string>(const std::string& password)>;

// Makes `entry.file` anew, readable and writable by its owner only, holding
// the one user, and returns whether it does. Through htpasswd the password
// reaches it on its standard input: a program's arguments are there for every
// local user to read in the process list. Without htpasswd `hash` makes the
// password's hash and the file is written whole beside its place, then
// renamed over it.
bool writePasswordFile(const PasswordFileEntry& entry, const platform::ProgramRunner& run = platform::runProgram,
                       const PasswordHasher& hash = platform::saltedSha1Hash);
