// Reading registry values as complete texts: the size query and the read are
// done here, never in the callers.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <cstddef>

namespace karvelin::win32 {

// One value of `key_path` under `root` into `buffer` of `size` bytes, opened
// with KEY_QUERY_VALUE in the view a 32-bit process reads. True when a text
// was read: the buffer then holds it, NUL-terminated (data without a NUL is
// terminated). A value that does not fit with its NUL is refused and leaves the
// buffer cleared; an absent key or value, or an empty one, leaves the buffer
// as it was. Never writes past `size`.
bool ReadRegistryString(HKEY root, const char* key_path, const char* value_name, char* buffer,
                        std::size_t size);

}  // namespace karvelin::win32
#endif
