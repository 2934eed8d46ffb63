// The adapter list as one text: per adapter its network address, mask,
// address, adapter name and display name, each followed by a tab.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/adapter_platform.h"
#include "net/device_platform.h"
#include "net/inet_platform.h"

namespace karvelin::net {

// Network-configuration instance identifier -> the device's display name.
using AdapterNameMap = std::map<std::string, std::string>;

// The map of the present network devices: the adapters with an instance
// identifier, named by their friendly name, else their description, else the
// identifier itself. A later device with the same identifier replaces an
// earlier one. Empty when the inventory cannot be opened.
AdapterNameMap BuildAdapterNameMap(DevicePlatform& devices);

// Five tab-ended fields per adapter, in list order: (address AND mask), mask,
// address, adapter name, and the map's name for the adapter (else its
// description). A tab inside a field becomes a blank. No terminator.
std::string AdapterListText(const std::vector<AdapterEntry>& adapters, const AdapterNameMap& names,
                            InetPlatform& inet);

// What GetAddress writes: the text of the system's adapters and its NUL;
// nothing when the adapter list cannot be had or is empty.
std::optional<std::string> AdapterInventory(AdapterPlatform& adapters, DevicePlatform& devices, InetPlatform& inet);

}  // namespace karvelin::net
