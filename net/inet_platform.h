// The platform's conversion of address texts.
#pragma once

#include <cstdint>
#include <string>

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

// inet_ntoa: the dotted-decimal text (7 to 15 characters) of an address in
// network byte order. Pure formatting, the same on both platforms, so it
// needs no substitute.
std::string InetNtoa(std::uint32_t address);

}  // namespace karvelin::net
