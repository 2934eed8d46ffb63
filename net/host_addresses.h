// The host's own IPv4 addresses as fixed-width records.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "net/host_lookup_platform.h"

namespace karvelin::net {

// One record per address: the dotted text, blanks up to byte 15, a tab at
// byte 15. No terminator, nothing after the last record.
inline constexpr std::size_t kRecordSize = 16;
// Room for the longest host name the system gives, with its NUL.
inline constexpr std::size_t kHostNameSize = 256;

// Looks the host's own name up and sets `records` to one record per address,
// in the lookup's order (empty when the name or the lookup fails). Its own
// socket start-up is undone only when it succeeded, so the library's start-up
// stays in force. Answers the clean-up's result, or kSocketError when the
// start-up failed.
std::int32_t HostAddressRecords(std::string& records, HostLookupPlatform& host);

}  // namespace karvelin::net
