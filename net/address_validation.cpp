#include "net/address_validation.h"

#include <cstring>
#include <string>

#include "common/log_tell.h"

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
    const std::uint32_t converted = inet.InetAddr(address);
    const std::uint32_t v = ToHostOrder(converted);
    // Classes A (0xxx), B (10xx) and C (110x) only: 224 and up is refused,
    // the failed conversion 255.255.255.255 with it.
    const char* refused = v >= 0xE0000000u ? "no class A, B or C address"
                          : v == 0x7F000001u ? "the loopback address"  // 127.0.0.1
                          : v == 0           ? "the any address"       // 0.0.0.0
                                             : nullptr;
    log::Tell([&] {
        // The address as converted, not the caller's text.
        const std::string line = "check: " + std::to_string(std::strlen(address)) + " characters, read as " +
                                 (converted == kNoAddress ? std::string("no address or all ones") : InetNtoa(converted)) + ": ";
        if (refused) log::Failure("ValidateTheIP", line + refused);
        else log::Step("ValidateTheIP", line + "a host address");
    });
    return refused ? 0 : 1;
}

ResultCode ValidateNet(const char* host, const char* mask, const char* network, const char* other,
                       InetPlatform& inet) {
    constexpr char kFunction[] = "ValidateNet";
    if (host[0] == '\0') {
        log::Tell([&] { log::Failure(kFunction, "check: host address: empty"); });
        return ERR_NET_IP_EMPTY;
    }
    // The texts are compared, before anything is converted.
    if (std::strcmp(other, host) == 0) {
        log::Tell([&] { log::Failure(kFunction, "check: other address: the host address's text"); });
        return ERR_NET_IP_EQUALS_OTHER;
    }
    const std::uint32_t values[] = {inet.InetAddr(host), inet.InetAddr(mask), inet.InetAddr(network),
                                    inet.InetAddr(other)};
    const char* const kNames[] = {"host address", "mask", "network address", "other address"};
    for (int i = 0; i < 4; ++i) {
        if (values[i] != kNoAddress) continue;
        log::Tell([&] { log::Failure(kFunction, std::string("convert: ") + kNames[i] + ": no address"); });
        return ERR_NET_BAD_ADDRESS;
    }
    const bool fits = (values[0] & values[1]) == values[2];
    log::Tell([&] {
        const std::string line = "check: " + InetNtoa(values[0]) + " AND " + InetNtoa(values[1]) + " = " +
                                 InetNtoa(values[0] & values[1]) + ", network " + InetNtoa(values[2]);
        if (fits) log::Step(kFunction, line + ": fits");
        else log::Failure(kFunction, line + ": does not fit");
    });
    return fits ? 0 : ERR_NET_SUBNET_MISMATCH;
}

}  // namespace karvelin::net
