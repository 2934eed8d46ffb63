// Release, server-release and browser checks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Karvelin.h"

namespace karvelin::checks {

// The fields of the system's version record that the checks read.
struct VersionRecord {
    std::uint32_t major = 0;
    std::uint32_t minor = 0;
    char service_pack[128] = {};  // always NUL-terminated
};

// The system records the checks read, behind one seam.
class HostRecords {
public:
    virtual ~HostRecords() = default;
    // Fills the record from the system; leaves it zeroed when the query fails.
    virtual void QueryVersion(VersionRecord& record) = 0;
    // One string value under HKEY_LOCAL_MACHINE into `buffer` of `size` bytes.
    // Leaves the buffer as it was when the key or value cannot be read; never
    // writes past `size`; what it writes is always NUL-terminated.
    virtual void ReadRegistryString(const char* key_path, const char* value_name, char* buffer,
                                    std::size_t size) = 0;
};

// The running system's records (Win32 API; on Linux, no release and no registry).
HostRecords& SystemHostRecords();

// Registry location of the browser version ("6.0000" for version 6).
inline constexpr char kBrowserVersionKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";
inline constexpr char kBrowserVersionValue[] = "IE";
inline constexpr std::size_t kBrowserVersionSize = 40;

ResultCode CheckOS(HostRecords& records);
std::int32_t FindServerVersion(HostRecords& records);
ResultCode CheckIeVersion(HostRecords& records);

// The C library's atoi rules without its undefined cases: leading white space,
// an optional sign, then digits up to the first non-digit; no digits give 0; a
// value beyond the int range saturates, as the Windows runtime's atoi does.
std::int32_t LeadingNumber(const char* text);

// After a registry read of `bytes_read` bytes into `buffer` of `size` bytes:
// makes the data a NUL-terminated text. A text that has no room for its NUL is
// refused: the buffer is cleared and false answered.
bool TerminateRegistryText(char* buffer, std::size_t size, std::size_t bytes_read);

}  // namespace karvelin::checks
