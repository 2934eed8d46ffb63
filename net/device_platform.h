// The system's inventory of network devices: what names an adapter for a
// person.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <vector>

#include "common/system_error.h"

namespace karvelin::net {

// The installer's room for a text of the inventory: at most one byte less of
// characters. The name map leaves out a text that does not fit.
inline constexpr std::size_t kDeviceTextSize = 300;

// One present network device, with each value that could be read, whole (none
// where the driver key or the value could not be).
struct NetworkDevice {
    // A network adapter, physical, virtual or software-enumerated: not
    // another kind of network device, nor one whose kind could not be read.
    bool adapter = false;
    std::optional<std::string> instance_id;  // driver key, "NetCfgInstanceId"
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

// SetupAPI's LAN-class interface devices and their driver keys in the DLL
// (an adapter by the driver key's "Characteristics"); on Linux the interfaces
// of the caller's network namespace, from the kernel's routing socket, each
// an adapter (the interface name as instance identifier, its alias as
// friendly name).
DevicePlatform& SystemDevices();

}  // namespace karvelin::net
