// The reversible scrambling of short texts: every plain byte becomes two
// printable characters, keyed by its position alone.
#pragma once

#include <cstddef>
#include <cstdint>

#include "text/allocator_platform.h"

namespace karvelin::text {

// Position values of the plain byte at position p.
constexpr unsigned KeyAt(std::uint32_t p) { return p % 255 + 1; }
constexpr unsigned OffsetAt(std::uint32_t p) { return 40 + 7 * (p % 10); }

// A new text of 2n characters and a NUL; nullptr when memory cannot be had
// (or 2n + 1 does not fit a size).
char* Recode(const char* bytes, std::uint32_t n, AllocatorPlatform& allocator);
// A new text of floor(m / 2) bytes and a NUL; nullptr when memory cannot be had.
char* Decode(const char* text, std::uint32_t m, AllocatorPlatform& allocator);

}  // namespace karvelin::text
