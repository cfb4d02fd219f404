#pragma once
#include <string>

// `value` as one word of the POSIX shell: in single quotes, each ' written
// as '\''. Nothing inside is expanded, so no value can change the command.
std::string shQuote(const std::string& value);
