// What the release checks read from the system: the version record.
#pragma once

#include <cstdint>

namespace karvelin::checks {

// The fields of the system's version record that the checks read.
struct VersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    char service_pack[128] = {};  // always NUL-terminated
    std::uint32_t error = 0;      // the system's error when the query failed
};

class HostPlatform {
public:
    virtual ~HostPlatform() = default;
    // Fills the record from the system; leaves it zeroed but for the error
    // when the query fails.
    virtual void QueryVersion(VersionRecord& record) = 0;
};

// The running system (Win32 API; on Linux, no release).
HostPlatform& SystemHost();

}  // namespace karvelin::checks
