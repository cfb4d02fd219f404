#include "platform/password_hash.h"

#include <windows.h>
// after windows.h
#include <bcrypt.h>
#include <wincrypt.h>

#include <vector>

namespace platform {
namespace {

using Bytes = std::vector<unsigned char>;

constexpr ULONG kSaltBytes = 8;

bool succeeded(NTSTATUS status) {
    return status >= 0;
}

std::optional<Bytes> randomBytes(ULONG count) {
    Bytes bytes(count);
    if (!succeeded(BCryptGenRandom(nullptr, bytes.data(), count, BCRYPT_USE_SYSTEM_PREFERRED_RNG))) {
        return std::nullopt;
    }
    return bytes;
}

// SHA-1 of `first` followed by `second`, through CNG's hash object.
std::optional<Bytes> sha1(const std::string& first, const Bytes& second) {
    BCRYPT_ALG_HANDLE algorithm = nullptr;
    if (!succeeded(BCryptOpenAlgorithmProvider(&algorithm, BCRYPT_SHA1_ALGORITHM, nullptr, 0))) return std::nullopt;
    BCRYPT_HASH_HANDLE hash = nullptr;
    Bytes digest(20);
    bool ok = succeeded(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
    ok = ok && succeeded(BCryptHashData(hash, reinterpret_cast<PUCHAR>(const_cast<char*>(first.data())),
                                        static_cast<ULONG>(first.size()), 0));
    ok = ok && succeeded(BCryptHashData(hash, const_cast<PUCHAR>(second.data()), static_cast<ULONG>(second.size()), 0));
    ok = ok && succeeded(BCryptFinishHash(hash, digest.data(), static_cast<ULONG>(digest.size()), 0));
    if (hash) BCryptDestroyHash(hash);
    BCryptCloseAlgorithmProvider(algorithm, 0);
    if (!ok) return std::nullopt;
    return digest;
}

// Base64 on one line, through the system's own encoder.
std::optional<std::string> base64(const Bytes& bytes) {
    constexpr DWORD flags = CRYPT_STRING_BASE64 | CRYPT_STRING_NOCRLF;
    DWORD length = 0;
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, nullptr, &length)) {
        return std::nullopt;
    }
    std::string text(length, '\0');
    if (!CryptBinaryToStringA(bytes.data(), static_cast<DWORD>(bytes.size()), flags, text.data(), &length)) {
        return std::nullopt;
    }
    text.resize(length);  // without the closing zero
    return text;
}

}  // namespace

std::optional<std::string> saltedSha1Hash(const std::string& password) {
    const auto salt = randomBytes(kSaltBytes);
    if (!salt) return std::nullopt;
    auto digestAndSalt = sha1(password, *salt);
    if (!digestAndSalt) return std::nullopt;
    digestAndSalt->insert(digestAndSalt->end(), salt->begin(), salt->end());
    const auto encoded = base64(*digestAndSalt);
    if (!encoded) return std::nullopt;
    return "{SSHA}" + *encoded;
}

}  // namespace platform
