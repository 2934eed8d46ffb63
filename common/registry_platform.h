// The registry, read only: values under one root key, opened in the process's
// own view (no view flag: the 32-bit view for the 32-bit DLL, the 64-bit view
// for the 64-bit one). A value's type is never looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "common/system_error.h"

namespace karvelin {

class RegistryPlatform {
public:
    virtual ~RegistryPlatform() = default;
    // The value's data taken as a text, whatever its length: up to its first
    // NUL, or all of it when it has none. Nothing when the key or value cannot
    // be read, the value is empty (zero bytes), or there is no memory for it.
    // An empty key path reads the root key itself. `error`, when given, is
    // set to the system's error when nothing is read (0 for an empty value).
    virtual std::optional<std::string> ReadText(const char* key_path, const char* value_name,
                                                SystemError* error = nullptr) = 0;
    // The value as a 32-bit number: 1 to 4 bytes fill the number from its low
    // byte, the rest stays 0. Nothing when the key or value cannot be read,
    // the value is empty, or it is longer than 4 bytes.
    virtual std::optional<std::uint32_t> ReadNumber(const char* key_path, const char* value_name,
                                                    SystemError* error = nullptr) = 0;
};

// The values under HKEY_LOCAL_MACHINE (KEY_QUERY_VALUE); on Linux there is no
// registry and nothing is read.
RegistryPlatform& SystemRegistry();

}  // namespace karvelin
