// Where the product keeps its settings: values under HKEY_LOCAL_MACHINE, read
// in the process's own view (the 32-bit view for the 32-bit DLL, the 64-bit
// view for the 64-bit one). The value's type is never looked at.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

namespace karvelin::checks {

class ProductRegistryPlatform {
public:
    virtual ~ProductRegistryPlatform() = default;
    // The value's bytes taken as a text: up to its first NUL, or all of them
    // when it has none. Nothing when the key or value cannot be read, the
    // value is empty (zero bytes), or there is no memory for it.
    virtual std::optional<std::string> ReadText(const std::string& key_path, const char* value_name) = 0;
    // The value as a 32-bit number: 1 to 4 bytes fill the number from its low
    // byte, the rest stays 0. Nothing when the key or value cannot be read,
    // the value is empty, or it is longer than 4 bytes.
    virtual std::optional<std::uint32_t> ReadNumber(const std::string& key_path, const char* value_name) = 0;
};

// The registry (KEY_QUERY_VALUE); on Linux there is none and nothing is read.
ProductRegistryPlatform& SystemProductRegistry();

}  // namespace karvelin::checks
