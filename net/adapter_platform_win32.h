// What the Windows adapter list and its tests share.
#pragma once

#include <vector>

#include "net/adapter_platform.h"

// The system's own record of an adapter.
struct _IP_ADAPTER_INFO;

namespace karvelin::net {

// The entries of the system's list, from its first record along the chain.
std::vector<AdapterEntry> AdapterEntries(const _IP_ADAPTER_INFO* first);

}  // namespace karvelin::net
