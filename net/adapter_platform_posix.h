// What the Linux adapter list and its tests share.
#pragma once

#include <vector>

#include "net/adapter_platform.h"

// The system's own record of an adapter.
struct ifaddrs;

namespace karvelin::net {

// The entries of the system's list: the interfaces with an IPv4 address,
// from its first record along the chain.
std::vector<AdapterEntry> AdapterEntries(const ifaddrs* first);

}  // namespace karvelin::net
