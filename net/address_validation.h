// Checks of IPv4 address texts: one host address, or a host, mask, network
// and further address as a set.
#pragma once

#include <cstdint>

#include "Karvelin.h"

namespace karvelin::net {

// The platform's inet_addr: the address in network byte order, or 0xFFFFFFFF
// (INADDR_NONE) when the text is no address.
using AddressConversion = std::uint32_t (*)(const char* text);

// Winsock's inet_addr in the DLL, the C library's on Linux.
std::uint32_t PlatformInetAddr(const char* text);

inline constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

// 1 for an acceptable host address (class A, B or C; not 0.0.0.0 or
// 127.0.0.1), 0 otherwise.
std::int32_t ValidateTheIP(const char* address, AddressConversion convert);

// 0 when the four texts fit together; the first failed step's code otherwise.
ResultCode ValidateNet(const char* host, const char* mask, const char* network, const char* other,
                       AddressConversion convert);

}  // namespace karvelin::net
