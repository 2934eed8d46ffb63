#include "text/recode.h"

#include <limits>

namespace karvelin::text {
namespace {

// Key and offset repeat every 510 positions (255 and 10): the loops read both
// from one table by the position within its period, so that no byte needs a
// division or a branch.
constexpr std::size_t kPeriod = 510;

struct PositionTable {
    // NOT k(p): x = k XOR NOT b = NOT k XOR b, and b = NOT k XOR x.
    unsigned char not_key[kPeriod];
    unsigned char offset[kPeriod];
    constexpr PositionTable() : not_key(), offset() {
        for (std::uint32_t p = 0; p < kPeriod; ++p) {
            not_key[p] = static_cast<unsigned char>(~KeyAt(p));
            offset[p] = static_cast<unsigned char>(OffsetAt(p));
        }
    }
};
constexpr PositionTable kPositions;

// Every byte but the last is written by the loops, so the block need not be
// cleared first: the text always ends in its NUL.
char* NewText(std::size_t size, AllocatorPlatform& allocator) {
    auto* text = static_cast<char*>(allocator.Allocate(size));
    if (text) text[size - 1] = '\0';
    return text;
}

// Both loops walk one period of positions at a time (the installer's texts
// are shorter than one), reading the table from its start. The pair of
// position p stands at 2 * (n - 1 - p): the last byte's pair first.
void EncodeInto(const unsigned char* __restrict plain, std::size_t n, unsigned char* __restrict text) {
    unsigned char* pair = text + 2 * n;
    for (std::size_t start = 0; start < n; start += kPeriod) {
        const std::size_t count = n - start < kPeriod ? n - start : kPeriod;
        const unsigned char* in = plain + start;
        for (std::size_t j = 0; j < count; ++j) {
            const unsigned x = kPositions.not_key[j] ^ in[j];
            pair -= 2;
            pair[0] = static_cast<unsigned char>(kPositions.offset[j] + (x >> 4));
            pair[1] = static_cast<unsigned char>(kPositions.offset[j] + (x & 0x0F));
        }
    }
}

void DecodeInto(const unsigned char* __restrict text, std::size_t c, unsigned char* __restrict plain) {
    const unsigned char* pair = text + 2 * c;
    for (std::size_t start = 0; start < c; start += kPeriod) {
        const std::size_t count = c - start < kPeriod ? c - start : kPeriod;
        unsigned char* out = plain + start;
        for (std::size_t j = 0; j < count; ++j) {
            pair -= 2;
            const unsigned high = (pair[0] - kPositions.offset[j]) & 0x0F;
            const unsigned low = (pair[1] - kPositions.offset[j]) & 0x0F;
            out[j] = static_cast<unsigned char>(kPositions.not_key[j] ^ (high << 4 | low));
        }
    }
}

}  // namespace

char* Recode(const char* bytes, std::uint32_t n, AllocatorPlatform& allocator) {
    constexpr std::size_t kMostBytes = (std::numeric_limits<std::size_t>::max() - 1) / 2;
    if (static_cast<std::size_t>(n) > kMostBytes) return nullptr;  // 2n + 1 would not fit
    const std::size_t size = 2 * static_cast<std::size_t>(n) + 1;
    char* result = NewText(size, allocator);
    if (result) EncodeInto(reinterpret_cast<const unsigned char*>(bytes), n, reinterpret_cast<unsigned char*>(result));
    return result;
}

char* Decode(const char* text, std::uint32_t m, AllocatorPlatform& allocator) {
    const std::uint32_t c = m / 2;
    char* result = NewText(static_cast<std::size_t>(c) + 1, allocator);
    if (result) DecodeInto(reinterpret_cast<const unsigned char*>(text), c, reinterpret_cast<unsigned char*>(result));
    return result;
}

}  // namespace karvelin::text
