#include "text/recode.h"

#include <limits>

#include "text/recode_variants.h"

namespace karvelin::text {
namespace {

// Every byte but the last is written by the inner loops, so the block need
// not be cleared first (a cleared 2 MiB block costs as much again as its
// encoding): the text always ends in its NUL.
char* NewText(std::size_t size, AllocatorPlatform& allocator) {
    auto* text = static_cast<char*>(allocator.Allocate(size));
    if (text) text[size - 1] = '\0';
    return text;
}

}  // namespace

char* Recode(const char* bytes, std::uint32_t n, AllocatorPlatform& allocator) {
    constexpr std::size_t kMostBytes = (std::numeric_limits<std::size_t>::max() - 1) / 2;
    if (static_cast<std::size_t>(n) > kMostBytes) return nullptr;  // 2n + 1 would not fit
    const std::size_t size = 2 * static_cast<std::size_t>(n) + 1;
    char* result = NewText(size, allocator);
    if (!result || n == 0) return result;

    // The pair of position p goes to 2 * (n - 1 - p): the last byte's pair first.
    unsigned char* end = reinterpret_cast<unsigned char*>(result) + 2 * static_cast<std::size_t>(n);
    ActiveRecodeVariant().encode(reinterpret_cast<const unsigned char*>(bytes), n, end);
    return result;
}

char* Decode(const char* text, std::uint32_t m, AllocatorPlatform& allocator) {
    const std::uint32_t c = m / 2;
    char* result = NewText(static_cast<std::size_t>(c) + 1, allocator);
    if (!result || c == 0) return result;

    // Position p's pair stands at 2 * (c - 1 - p).
    const unsigned char* end = reinterpret_cast<const unsigned char*>(text) + 2 * static_cast<std::size_t>(c);
    ActiveRecodeVariant().decode(end, c, reinterpret_cast<unsigned char*>(result));
    return result;
}

}  // namespace karvelin::text
