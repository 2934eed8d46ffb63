// Windows: what makes a network device an adapter.
#pragma once

#include <cstdint>
#include <optional>

namespace karvelin::net {

// The driver key's "Characteristics" bits that make a device an adapter:
// virtual, software-enumerated, physical (NCF_VIRTUAL,
// NCF_SOFTWARE_ENUMERATED, NCF_PHYSICAL).
inline constexpr std::uint32_t kAdapterCharacteristics = 0x7;

// Whether a device with these characteristics (none: no driver key, or no
// value in it) is an adapter.
inline bool AdapterOfCharacteristics(std::optional<std::uint32_t> characteristics) {
    return characteristics && (*characteristics & kAdapterCharacteristics) != 0;
}

}  // namespace karvelin::net
