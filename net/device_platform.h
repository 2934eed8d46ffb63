// The system's inventory of network devices: what names an adapter for a
// person.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "common/system_error.h"

namespace karvelin::net {

// The driver key's "Characteristics" bits that make a device an adapter of
// the list: virtual, software-enumerated, physical (NCF_VIRTUAL,
// NCF_SOFTWARE_ENUMERATED, NCF_PHYSICAL).
inline constexpr std::uint32_t kAdapterCharacteristics = 0x7;
// The installer's room for a text of the inventory: at most one byte less of
// characters. The name map leaves out a text that does not fit.
inline constexpr std::size_t kDeviceTextSize = 300;

// One present network device, with each value that could be read, whole (none
// where the driver key or the value could not be).
struct NetworkDevice {
    std::optional<std::uint32_t> characteristics;  // driver key, "Characteristics"
    std::optional<std::string> instance_id;        // driver key, "NetCfgInstanceId"
    std::optional<std::string> friendly_name;
    std::optional<std::string> description;
};

class DevicePlatform {
public:
    virtual ~DevicePlatform() = default;
    // The present network devices, in inventory order; nothing when the
    // inventory cannot be opened (`error`, when given, then set to the
    // system's error).
    virtual std::optional<std::vector<NetworkDevice>> NetworkDevices(SystemError* error = nullptr) = 0;
};

// SetupAPI's LAN-class interface devices and their driver keys in the DLL;
// on Linux the interfaces of the caller's network namespace, from the
// kernel's routing socket (the interface name as instance identifier, its
// alias as friendly name).
DevicePlatform& SystemDevices();

}  // namespace karvelin::net
