// Reading registry values as complete texts: the size query and the read are
// done here, never in the callers.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstddef>
#include <optional>
#include <string>

namespace karvelin::win32 {

// One value of `key_path` under `root` into `buffer` of `size` bytes, opened
// with KEY_QUERY_VALUE in the process's own view (no view flag): the 32-bit
// view for the 32-bit DLL, the 64-bit view for the 64-bit one. True when a text
// was read: the buffer then holds it, NUL-terminated (data without a NUL is
// terminated). A value that does not fit with its NUL is refused and leaves the
// buffer cleared; an absent key or value, or an empty one, leaves the buffer
// as it was. Never writes past `size`.
bool ReadRegistryString(HKEY root, const char* key_path, const char* value_name, char* buffer,
                        std::size_t size);

// One value's data, whatever its type, into `buffer` of `size` bytes: the
// number of bytes read. Nothing when the key or value cannot be read or the
// data does not fit (the buffer is then cleared). Never writes past `size`.
std::optional<std::size_t> ReadRegistryData(HKEY root, const char* key_path, const char* value_name, void* buffer,
                                            std::size_t size);

// One value's data, whatever its type and length, as a text: read into a
// block of the size the registry reports plus room for a NUL (again when it
// grew meanwhile), and taken up to its first NUL (data without one is
// terminated). Nothing when the key or value cannot be read, the value is
// empty, or there is no memory for it.
std::optional<std::string> ReadRegistryText(HKEY root, const char* key_path, const char* value_name);

}  // namespace karvelin::win32
#endif
