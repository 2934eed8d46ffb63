#include "net/address_validation.h"

#include <cstring>

namespace karvelin::net {
namespace {

// Network byte order (as the conversion gives it, in memory) to host order.
std::uint32_t ToHostOrder(std::uint32_t network) {
    unsigned char bytes[4];
    std::memcpy(bytes, &network, sizeof bytes);
    return (std::uint32_t{bytes[0]} << 24) | (std::uint32_t{bytes[1]} << 16) | (std::uint32_t{bytes[2]} << 8) |
           bytes[3];
}

}  // namespace

std::int32_t ValidateTheIP(const char* address, InetPlatform& inet) {
    const std::uint32_t v = ToHostOrder(inet.InetAddr(address));
    // Classes A (0xxx), B (10xx) and C (110x) only: 224 and up is refused,
    // the failed conversion 255.255.255.255 with it.
    if (v >= 0xE0000000u) return 0;
    if (v == 0x7F000001u) return 0;  // 127.0.0.1
    if (v == 0) return 0;            // 0.0.0.0
    return 1;
}

ResultCode ValidateNet(const char* host, const char* mask, const char* network, const char* other,
                       InetPlatform& inet) {
    if (host[0] == '\0') return ERR_NET_IP_EMPTY;
    // The texts are compared, before anything is converted.
    if (std::strcmp(other, host) == 0) return ERR_NET_IP_EQUALS_OTHER;
    const std::uint32_t host_value = inet.InetAddr(host);
    const std::uint32_t mask_value = inet.InetAddr(mask);
    const std::uint32_t network_value = inet.InetAddr(network);
    const std::uint32_t other_value = inet.InetAddr(other);
    if (host_value == kNoAddress || mask_value == kNoAddress || network_value == kNoAddress ||
        other_value == kNoAddress)
        return ERR_NET_BAD_ADDRESS;
    return (host_value & mask_value) == network_value ? 0 : ERR_NET_SUBNET_MISMATCH;
}

}  // namespace karvelin::net
