// The host's own name and the addresses it is known under.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

#include "common/system_error.h"

namespace karvelin::net {

// What the socket clean-up answers when it fails (SOCKET_ERROR).
inline constexpr std::int32_t kSocketError = -1;

class HostLookupPlatform {
public:
    virtual ~HostLookupPlatform() = default;
    // WSAStartup asking for version 2.0: true when it succeeded. Linux has
    // nothing to start: true. Each step sets `error`, when given, to the
    // system's error when it fails.
    virtual bool StartSockets(SystemError* error = nullptr) = 0;
    // WSACleanup: 0, or kSocketError. Linux: 0.
    virtual std::int32_t CleanupSockets() = 0;
    // gethostname into `name` of `size` bytes: true with the name there,
    // NUL-terminated; false when it fails (a name that does not fit, too).
    virtual bool HostName(char* name, std::size_t size, SystemError* error = nullptr) = 0;
    // The IPv4 addresses the name looks up to (network byte order), in the
    // lookup's order; none when the lookup finds nothing.
    virtual std::vector<std::uint32_t> Addresses(const char* name, SystemError* error = nullptr) = 0;
};

// Winsock's gethostbyname in the DLL; getaddrinfo on Linux.
HostLookupPlatform& SystemHostLookup();

}  // namespace karvelin::net
