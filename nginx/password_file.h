#pragma once
// The file of user names and password hashes that nginx checks a login
// against, written by htpasswd.
#include <filesystem>
#include <string>

#include "platform/process.h"

struct PasswordFileEntry {
    std::filesystem::path htpasswd;  // the program
    std::filesystem::path file;
    std::string userName;  // UTF-8
    std::string password;  // UTF-8, one line
};

// Makes `entry.file` anew, readable and writable by its owner only, and has
// htpasswd add the one user to it, the password reaching htpasswd on its
// standard input: a program's arguments are there for every local user to
// read in the process list. Returns whether the file then holds the user.
bool writePasswordFile(const PasswordFileEntry& entry, const platform::ProgramRunner& run = platform::runProgram);
