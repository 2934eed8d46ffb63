#include "text/recode.h"

#include <cstring>
#include <limits>
#include <string>

#include "common/log_tell.h"

namespace karvelin::text {
namespace {

// Key and offset repeat every 510 positions (255 and 10). Both loops read them
// from one table by the position within its period, a group of sixteen
// positions at a time, so that no byte needs a division or a branch. The table
// runs a group past the period, so that the last group of a period reads whole.
constexpr std::size_t kPeriod = 510;
constexpr std::size_t kGroup = 16;

struct PositionTable {
    // NOT k(p): x = k XOR NOT b = NOT k XOR b, and b = NOT k XOR x.
    unsigned char not_key[kPeriod + kGroup];
    unsigned char offset[kPeriod + kGroup];
    constexpr PositionTable() : not_key(), offset() {
        for (std::uint32_t p = 0; p < kPeriod + kGroup; ++p) {
            not_key[p] = static_cast<unsigned char>(~KeyAt(p));
            offset[p] = static_cast<unsigned char>(OffsetAt(p));
        }
    }
};
constexpr PositionTable kPositions;

// One group: the pairs of the plain bytes at positions j..j+15 of a period
// are 32 characters, position j + 15's pair first. Where the processor has
// 16-byte vector registers in its base set (SSE2 on every x86-64), a group
// is a few vector operations; the i686 DLL must run on processors without
// SSE2, and takes its group a byte at a time. The two are the same rule, and
// each build's tests run the one it has.
#if defined(__SSE2__)
using Bytes = unsigned char __attribute__((vector_size(kGroup)));
using Words = std::uint32_t __attribute__((vector_size(kGroup)));

Bytes Load(const unsigned char* bytes) {
    Bytes group;
    std::memcpy(&group, bytes, sizeof group);
    return group;
}
void Store(const Bytes& group, unsigned char* bytes) { std::memcpy(bytes, &group, sizeof group); }

// The eight two-byte pairs of a group in the reverse order: its four words
// reversed, then the two pairs of each word swapped.
Bytes ReversedPairs(const Bytes& group) {
    const Words in = (Words)group;  // the same 16 bytes, as words
    const Words words = __builtin_shufflevector(in, in, 3, 2, 1, 0);
    const Words swapped = words << 16 | words >> 16;
    return (Bytes)swapped;
}

void EncodeGroup(const unsigned char* plain, std::size_t j, unsigned char* pairs) {
    const Bytes x = Load(plain) ^ Load(kPositions.not_key + j);
    const Bytes offset = Load(kPositions.offset + j);
    // Each half-byte plus its offset stays below 256.
    const Bytes high = (x >> 4) + offset, low = (x & 0x0F) + offset;
    const Bytes first = __builtin_shufflevector(high, low, 0, 16, 1, 17, 2, 18, 3, 19, 4, 20, 5, 21, 6, 22, 7, 23);
    const Bytes second = __builtin_shufflevector(high, low, 8, 24, 9, 25, 10, 26, 11, 27, 12, 28, 13, 29, 14, 30, 15, 31);
    Store(ReversedPairs(second), pairs);
    Store(ReversedPairs(first), pairs + kGroup);
}

void DecodeGroup(const unsigned char* pairs, std::size_t j, unsigned char* plain) {
    const Bytes later = ReversedPairs(Load(pairs)), earlier = ReversedPairs(Load(pairs + kGroup));
    const Bytes high_chars =
        __builtin_shufflevector(earlier, later, 0, 2, 4, 6, 8, 10, 12, 14, 16, 18, 20, 22, 24, 26, 28, 30);
    const Bytes low_chars =
        __builtin_shufflevector(earlier, later, 1, 3, 5, 7, 9, 11, 13, 15, 17, 19, 21, 23, 25, 27, 29, 31);
    const Bytes offset = Load(kPositions.offset + j);
    // Byte differences wrap on their own: their low four bits are the half.
    const Bytes x = ((high_chars - offset) & 0x0F) << 4 | ((low_chars - offset) & 0x0F);
    Store(x ^ Load(kPositions.not_key + j), plain);
}
#else
void EncodeGroup(const unsigned char* plain, std::size_t j, unsigned char* pairs) {
    for (std::size_t k = 0; k < kGroup; ++k) {
        const unsigned x = kPositions.not_key[j + k] ^ plain[k];
        unsigned char* pair = pairs + 2 * (kGroup - 1 - k);
        pair[0] = static_cast<unsigned char>(kPositions.offset[j + k] + (x >> 4));
        pair[1] = static_cast<unsigned char>(kPositions.offset[j + k] + (x & 0x0F));
    }
}

void DecodeGroup(const unsigned char* pairs, std::size_t j, unsigned char* plain) {
    for (std::size_t k = 0; k < kGroup; ++k) {
        const unsigned char* pair = pairs + 2 * (kGroup - 1 - k);
        const unsigned high = (pair[0] - kPositions.offset[j + k]) & 0x0F;
        const unsigned low = (pair[1] - kPositions.offset[j + k]) & 0x0F;
        plain[k] = static_cast<unsigned char>(kPositions.not_key[j + k] ^ (high << 4 | low));
    }
}
#endif

// Every byte but the last is written by the loops, so the block need not be
// cleared first: the text always ends in its NUL.
char* NewText(std::size_t size, AllocatorPlatform& allocator) {
    auto* text = static_cast<char*>(allocator.Allocate(size));
    if (text) text[size - 1] = '\0';
    return text;
}

// The position within its period of the group after the one at j.
std::size_t NextGroup(std::size_t j) { return j + kGroup < kPeriod ? j + kGroup : j + kGroup - kPeriod; }

// The pair of plain position p stands at 2 * (n - 1 - p): the last byte's
// pair first. Each loop takes a group a turn; a last group of fewer than
// sixteen goes through cleared stand-ins of a whole group.
void EncodeInto(const unsigned char* __restrict plain, std::size_t n, unsigned char* __restrict text) {
    for (std::size_t p = 0, j = 0; p < n; p += kGroup, j = NextGroup(j)) {
        const std::size_t count = n - p < kGroup ? n - p : kGroup;
        unsigned char* pairs = text + 2 * (n - p - count);
        if (count == kGroup) {
            EncodeGroup(plain + p, j, pairs);
        } else {
            unsigned char in[kGroup] = {}, out[2 * kGroup];
            std::memcpy(in, plain + p, count);
            EncodeGroup(in, j, out);
            std::memcpy(pairs, out + 2 * (kGroup - count), 2 * count);
        }
    }
}

void DecodeInto(const unsigned char* __restrict text, std::size_t c, unsigned char* __restrict plain) {
    for (std::size_t p = 0, j = 0; p < c; p += kGroup, j = NextGroup(j)) {
        const std::size_t count = c - p < kGroup ? c - p : kGroup;
        const unsigned char* pairs = text + 2 * (c - p - count);
        if (count == kGroup) {
            DecodeGroup(pairs, j, plain + p);
        } else {
            unsigned char in[2 * kGroup] = {}, out[kGroup];
            std::memcpy(in + 2 * (kGroup - count), pairs, 2 * count);
            DecodeGroup(in, j, out);
            std::memcpy(plain + p, out, count);
        }
    }
}

// What a call made, by sizes alone: the texts are the installer's secrets.
char* Told(const char* function, const char* step, std::size_t in, std::size_t size, char* result) {
    log::Tell([&] {
        const std::string line = step + std::to_string(in) + " bytes into a text of " + std::to_string(size) + " bytes: ";
        if (result) log::Step(function, line + "done");
        else log::Failure(function, line + "no memory");
    });
    return result;
}

}  // namespace

char* Recode(const char* bytes, std::uint32_t n, AllocatorPlatform& allocator) {
    constexpr std::size_t kMostBytes = (std::numeric_limits<std::size_t>::max() - 1) / 2;
    if (static_cast<std::size_t>(n) > kMostBytes) return Told("Recode", "encode: ", n, 0, nullptr);  // 2n + 1 would not fit
    const std::size_t size = 2 * static_cast<std::size_t>(n) + 1;
    char* result = NewText(size, allocator);
    if (result) EncodeInto(reinterpret_cast<const unsigned char*>(bytes), n, reinterpret_cast<unsigned char*>(result));
    return Told("Recode", "encode: ", n, size, result);
}

char* Decode(const char* text, std::uint32_t m, AllocatorPlatform& allocator) {
    const std::uint32_t c = m / 2;
    char* result = NewText(static_cast<std::size_t>(c) + 1, allocator);
    if (result) DecodeInto(reinterpret_cast<const unsigned char*>(text), c, reinterpret_cast<unsigned char*>(result));
    return Told("Decode", "decode: ", m, static_cast<std::size_t>(c) + 1, result);
}

}  // namespace karvelin::text
