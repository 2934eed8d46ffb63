#include "common/registry_win32.h"

#include <cstring>

#include "common/registry_text.h"
#include "common/win32_owners.h"

namespace karvelin::win32 {

bool ReadRegistryString(HKEY root, const char* key_path, const char* value_name, char* buffer,
                        std::size_t size) {
    if (size == 0) return false;
    unique_hkey key;
    if (::RegOpenKeyExA(root, key_path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return false;

    DWORD needed = 0;
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, nullptr, &needed) != ERROR_SUCCESS ||
        needed == 0)
        return false;

    // The size asked for above may overstate an ANSI text, so offer the
    // smaller of it and the buffer: data that does not fit fails the read.
    DWORD offered = needed < size ? needed : static_cast<DWORD>(size);
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer),
                           &offered) != ERROR_SUCCESS) {
        std::memset(buffer, 0, size);  // what a failed read left is undefined
        return false;
    }
    return TerminateRegistryText(buffer, size, offered);
}

}  // namespace karvelin::win32
