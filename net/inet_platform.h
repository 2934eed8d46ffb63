// The platform's conversion of address texts.
#pragma once

#include <cstdint>

namespace karvelin::net {

inline constexpr std::uint32_t kNoAddress = 0xFFFFFFFFu;

class InetPlatform {
public:
    virtual ~InetPlatform() = default;
    // inet_addr: the address in network byte order, or kNoAddress
    // (INADDR_NONE) when the text is no address.
    virtual std::uint32_t InetAddr(const char* text) = 0;
};

// Winsock's inet_addr in the DLL, the C library's on Linux.
InetPlatform& SystemInet();

}  // namespace karvelin::net
