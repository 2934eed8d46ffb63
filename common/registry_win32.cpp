#include "common/registry_win32.h"

#include <cstring>
#include <new>

#include "common/registry_text.h"
#include "common/sized_text.h"
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

std::optional<std::size_t> ReadRegistryData(HKEY root, const char* key_path, const char* value_name, void* buffer,
                                            std::size_t size) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, key_path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;
    DWORD offered = size < MAXDWORD ? static_cast<DWORD>(size) : MAXDWORD;
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, static_cast<BYTE*>(buffer), &offered) !=
        ERROR_SUCCESS) {
        std::memset(buffer, 0, size);  // what a failed read left is undefined
        return std::nullopt;
    }
    return offered;
}

std::optional<std::string> ReadRegistryText(HKEY root, const char* key_path, const char* value_name) {
    unique_hkey key;
    if (::RegOpenKeyExA(root, key_path, 0, KEY_QUERY_VALUE, key.put()) != ERROR_SUCCESS) return std::nullopt;

    std::optional<std::string> block;
    try {
        block = ReadSizedText([&](char* buffer, std::size_t size, std::size_t& needed) {
            // The last byte is kept for a NUL after the data.
            DWORD offered = static_cast<DWORD>(size - 1);
            const LONG status =
                ::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &offered);
            if (status == ERROR_MORE_DATA && offered != MAXDWORD) {
                needed = std::size_t{offered} + 1;
                return true;
            }
            if (status != ERROR_SUCCESS || offered == 0 || offered > size - 1) return false;
            buffer[offered] = '\0';
            needed = std::size_t{offered} + 1;
            return true;
        });
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    if (block) block->resize(std::strlen(block->c_str()));  // up to the first NUL
    return block;
}

}  // namespace karvelin::win32
