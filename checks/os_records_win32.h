// The Win32 readers behind HostRecords, reachable on their own for tests.
#pragma once

#include <cstddef>

#include "checks/os_checks.h"

namespace karvelin::checks::win32 {

// GetVersionExA with the plain 148-byte record.
void QueryVersion(VersionRecord& record);

// One string value under HKEY_LOCAL_MACHINE, as HostRecords describes.
void ReadRegistryString(const char* key_path, const char* value_name, char* buffer, std::size_t size);

}  // namespace karvelin::checks::win32
