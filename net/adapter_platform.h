// The system's IPv4 adapter list.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "common/system_error.h"

namespace karvelin::net {

// One adapter, with the first of its addresses.
struct AdapterEntry {
    std::string address;      // dotted text; "0.0.0.0" when none is configured
    std::string mask;         // dotted text
    std::string name;         // Windows: the braced GUID of its network configuration
    std::string description;  // shown when the inventory has no name for it
};

class AdapterPlatform {
public:
    virtual ~AdapterPlatform() = default;
    // The adapters in list order; nothing when the list cannot be had, or
    // holds no adapter (`error`, when given, then set to the system's error).
    virtual std::optional<std::vector<AdapterEntry>> Adapters(SystemError* error = nullptr) = 0;
};

// GetAdaptersInfo in the DLL; getifaddrs on Linux (IPv4 interfaces, the
// interface name as name and description).
AdapterPlatform& SystemAdapters();

}  // namespace karvelin::net
