// The product's settings, one key per section under Software\TALVORNE of
// HKEY_LOCAL_MACHINE, and the kind of installation they show.
#pragma once

#include <cstdint>
#include <string>

#include "common/registry_platform.h"

namespace karvelin::checks {

// "Software\TALVORNE\<section>".
std::string ProductKeyPath(const char* section);

// The setting as a text, or the default when it cannot be read. A value of
// one NUL byte is read: the empty text, not the default. `error`, when given,
// is set to the system's error when the default is taken, else 0.
std::string ReadProductString(const char* section, const char* value_name, const char* fallback,
                              RegistryPlatform& registry, SystemError* error = nullptr);
// The setting as a signed 32-bit number, or the default when it cannot be read.
std::int32_t ReadProductDword(const char* section, const char* value_name, std::int32_t fallback,
                              RegistryPlatform& registry, SystemError* error = nullptr);

// 2 when "DualComPort" of the section "Monitor" is empty or missing;
// otherwise "DualBamState" of that section (default 1) minus 1, in 32-bit
// arithmetic.
std::int32_t GetCurrentInstallationType(RegistryPlatform& registry);

}  // namespace karvelin::checks
