// Release, server-release and browser checks.
#pragma once

#include <cstddef>
#include <cstdint>

#include "Karvelin.h"
#include "checks/host_platform.h"
#include "common/registry_platform.h"

namespace karvelin::checks {

// Registry location of the browser version ("6.0000" for version 6), and the
// room the installer gives its text: at most one byte less of characters.
inline constexpr char kBrowserVersionKey[] = "SOFTWARE\\Microsoft\\Internet Explorer\\Version Vector";
inline constexpr char kBrowserVersionValue[] = "IE";
inline constexpr std::size_t kBrowserVersionSize = 40;

ResultCode CheckOS(HostPlatform& records);
std::int32_t FindServerVersion(HostPlatform& records);
// A browser text that does not fit its room counts as none.
ResultCode CheckIeVersion(RegistryPlatform& registry);

// The C library's atoi rules without its undefined cases: leading white space,
// an optional sign, then digits up to the first non-digit; no digits give 0; a
// value beyond the int range saturates, as the Windows runtime's atoi does.
std::int32_t LeadingNumber(const char* text);

}  // namespace karvelin::checks
