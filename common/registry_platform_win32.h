// The registry seam on Win32, over any open key: HKEY_LOCAL_MACHINE for the
// system instance, or a key the caller opened (a device's driver key).
#pragma once

#ifdef _WIN32
#include <windows.h>

#include "common/registry_platform.h"

namespace karvelin::win32 {

// Reads the values under `root`, which the caller keeps open while this lives.
// A key path is opened for KEY_QUERY_VALUE in the process's own view; the
// texts are read whole, into a block of the size the registry reports.
class KeyRegistry final : public RegistryPlatform {
public:
    explicit KeyRegistry(HKEY root) noexcept : root_(root) {}
    std::optional<std::string> ReadText(const char* key_path, const char* value_name,
                                        SystemError* error = nullptr) override;
    std::optional<std::uint32_t> ReadNumber(const char* key_path, const char* value_name,
                                            SystemError* error = nullptr) override;

private:
    HKEY root_;
};

}  // namespace karvelin::win32
#endif
