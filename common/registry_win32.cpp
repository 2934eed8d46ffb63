#include "common/registry_win32.h"

#include <cstring>
#include <new>

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

    DWORD size = 0;
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS || size == 0 ||
        size == MAXDWORD)
        return std::nullopt;

    std::string block;
    try {
        block.resize(size + 1);  // zero-filled: the NUL after the data is there already
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // Offered the size reported, so the read never reaches the NUL's byte; a
    // value that grew meanwhile fails the read.
    DWORD read = size;
    if (::RegQueryValueExA(key.get(), value_name, nullptr, nullptr, reinterpret_cast<BYTE*>(&block[0]), &read) !=
        ERROR_SUCCESS)
        return std::nullopt;
    block.resize(read < size ? read : size);
    block.resize(std::strlen(block.c_str()));  // up to the first NUL
    return block;
}

}  // namespace karvelin::win32
