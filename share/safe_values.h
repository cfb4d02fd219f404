#pragma once
// Which settings nginx and htpasswd cannot take.
#include <optional>
#include <string>

#include "config/share_service.h"

// The first unsafe value, as one sentence that names the field by its dialog
// label and says why; nullopt when every value is safe.
std::optional<std::string> findUnsafeValue(const ShareService& service);
