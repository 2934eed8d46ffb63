// What the host checks read from the system: the version record and registry
// values under HKEY_LOCAL_MACHINE.
#pragma once

#include <cstddef>
#include <cstdint>

namespace karvelin::checks {

// The fields of the system's version record that the checks read.
struct VersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    char service_pack[128] = {};  // always NUL-terminated
};

class HostPlatform {
public:
    virtual ~HostPlatform() = default;
    // Fills the record from the system; leaves it zeroed when the query fails.
    virtual void QueryVersion(VersionRecord& record) = 0;
    // One string value under HKEY_LOCAL_MACHINE into `buffer` of `size` bytes.
    // Leaves the buffer as it was when the key or value cannot be read; never
    // writes past `size`; what it writes is always NUL-terminated.
    virtual void ReadRegistryString(const char* key_path, const char* value_name, char* buffer,
                                    std::size_t size) = 0;
};

// The running system (Win32 API; on Linux, no release and no registry).
HostPlatform& SystemHost();

}  // namespace karvelin::checks
