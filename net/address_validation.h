// Checks of IPv4 address texts: one host address, or a host, mask, network
// and further address as a set.
#pragma once

#include <cstdint>

#include "Karvelin.h"
#include "net/inet_platform.h"

namespace karvelin::net {

// 1 for an acceptable host address (class A, B or C; not 0.0.0.0 or
// 127.0.0.1), 0 otherwise.
std::int32_t ValidateTheIP(const char* address, InetPlatform& inet);

// 0 when the four texts fit together; the first failed step's code otherwise.
ResultCode ValidateNet(const char* host, const char* mask, const char* network, const char* other,
                       InetPlatform& inet);

}  // namespace karvelin::net
