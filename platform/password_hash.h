#pragma once
// Hashing a password the way nginx's basic authentication verifies it, with
// the system's own cryptography.
#include <optional>
#include <string>

namespace platform {

// "{SSHA}" and the base64 of SHA-1(password + salt) followed by the salt, a
// fresh random 8 bytes each time; nullopt when the system cannot make it.
// Windows: CNG's SHA-1 and random numbers. POSIX: always nullopt, as the
// system's htpasswd writes the password file there.
std::optional<std::string> saltedSha1Hash(const std::string& password);

}  // namespace platform
