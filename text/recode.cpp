#include "text/recode.h"

#include <cstring>
#include <limits>

#include "Karvelin.h"

namespace karvelin::text {
namespace {

char* NewText(std::size_t size, const TextAllocator& allocator) {
    void* block = allocator.allocate(size);
    if (block) std::memset(block, 0, size);
    return static_cast<char*>(block);
}

}  // namespace

char* Recode(const char* bytes, std::uint32_t n, const TextAllocator& allocator) {
    if (n > (std::numeric_limits<std::size_t>::max() - 1) / 2) return nullptr;
    const std::size_t size = 2 * static_cast<std::size_t>(n) + 1;
    char* result = NewText(size, allocator);
    if (!result || n == 0) return result;

    const auto* plain = reinterpret_cast<const unsigned char*>(bytes);
    // The last plain byte's pair comes first.
    unsigned char* out = reinterpret_cast<unsigned char*>(result) + 2 * static_cast<std::size_t>(n);
    unsigned key = 1, offset = 40;  // KeyAt(p), OffsetAt(p), kept incrementally
    for (std::uint32_t p = 0; p < n; ++p) {
        const unsigned x = (key ^ static_cast<unsigned char>(~plain[p])) & 0xFF;
        out -= 2;
        out[0] = static_cast<unsigned char>(offset + (x >> 4));
        out[1] = static_cast<unsigned char>(offset + (x & 0x0F));
        key = key == 255 ? 1 : key + 1;
        offset = offset == 103 ? 40 : offset + 7;
    }
    return result;
}

char* Decode(const char* text, std::uint32_t m, const TextAllocator& allocator) {
    const std::uint32_t c = m / 2;
    char* result = NewText(static_cast<std::size_t>(c) + 1, allocator);
    if (!result || c == 0) return result;

    const auto* in = reinterpret_cast<const unsigned char*>(text);
    for (std::uint32_t i = 0; i < c; ++i) {
        const std::uint32_t p = c - 1 - i;
        const unsigned offset = OffsetAt(p);
        const unsigned high = (in[2 * static_cast<std::size_t>(i)] - offset) & 0x0F;
        const unsigned low = (in[2 * static_cast<std::size_t>(i) + 1] - offset) & 0x0F;
        const unsigned x = high << 4 | low;
        result[p] = static_cast<char>(~(x ^ KeyAt(p)) & 0xFF);
    }
    return result;
}

}  // namespace karvelin::text

extern "C" char* Recode(const char* bytes, uint32_t n) {
    if (!bytes) n = 0;
    try {
        return karvelin::text::Recode(bytes, n, karvelin::text::SystemTextAllocator());
    } catch (...) {
        return nullptr;
    }
}

extern "C" char* Decode(const char* text, uint32_t m) {
    if (!text) m = 0;
    try {
        return karvelin::text::Decode(text, m, karvelin::text::SystemTextAllocator());
    } catch (...) {
        return nullptr;
    }
}
