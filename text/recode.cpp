#include "text/recode.h"

#include <cstring>
#include <limits>


namespace karvelin::text {
namespace {

// Key and offset repeat every 510 positions (255 and 10). The tables run 16
// entries past one period, so 16 positions from any phase can be read at once.
constexpr std::uint32_t kPeriod = 510;
constexpr std::uint32_t kLanes = 16;

struct PositionTables {
    unsigned char key[kPeriod + kLanes];
    unsigned char offset[kPeriod + kLanes];
    constexpr PositionTables() : key(), offset() {
        for (std::uint32_t j = 0; j < kPeriod + kLanes; ++j) {
            key[j] = static_cast<unsigned char>(KeyAt(j % kPeriod));
            offset[j] = static_cast<unsigned char>(OffsetAt(j % kPeriod));
        }
    }
};
constexpr PositionTables kTables;

#if defined(__GNUC__) && !defined(__clang__) && (defined(__SSE2__) || defined(__ARM_NEON))
// Vector lanes where the processor has them for certain; elsewhere (the
// i686 DLL, built for processors without SSE2) the byte loop below is faster.
#define KARVELIN_VECTOR_RECODE 1
// The vectors never cross a function boundary outside this file.
#pragma GCC diagnostic ignored "-Wpsabi"
typedef unsigned char Lanes __attribute__((vector_size(16)));
// Output order of a block of 16 positions: the last position's pair first.
// Index i < 16 takes the high half of lane i, i >= 16 the low half of lane i - 16.
constexpr Lanes kFirstPairs = {15, 31, 14, 30, 13, 29, 12, 28, 11, 27, 10, 26, 9, 25, 8, 24};
constexpr Lanes kLastPairs = {7, 23, 6, 22, 5, 21, 4, 20, 3, 19, 2, 18, 1, 17, 0, 16};
// The inverse: from the 32 encoded bytes of a block back to lanes in position order.
constexpr Lanes kHighHalves = {30, 28, 26, 24, 22, 20, 18, 16, 14, 12, 10, 8, 6, 4, 2, 0};
constexpr Lanes kLowHalves = {31, 29, 27, 25, 23, 21, 19, 17, 15, 13, 11, 9, 7, 5, 3, 1};

Lanes Load(const void* from) {
    Lanes lanes;
    std::memcpy(&lanes, from, sizeof lanes);
    return lanes;
}
void Store(void* to, Lanes lanes) { std::memcpy(to, &lanes, sizeof lanes); }
#endif

// Where the system can pick a function by processor at load time, a byte
// shuffle instruction (SSSE3) makes the reordering of pairs cheap.
#if defined(KARVELIN_VECTOR_RECODE) && defined(__x86_64__) && defined(__linux__)
#define KARVELIN_BY_PROCESSOR __attribute__((target_clones("default", "ssse3", "avx2")))
#else
#define KARVELIN_BY_PROCESSOR
#endif

// The allocator hands out cleared blocks; every byte but the last is then
// written, so the text always ends in its NUL.
char* NewText(std::size_t size, AllocatorPlatform& allocator) {
    auto* text = static_cast<char*>(allocator.Allocate(size));
    if (text) text[size - 1] = '\0';
    return text;
}

// Pairs of plain positions 0..n-1, written backwards from `end`.
KARVELIN_BY_PROCESSOR void EncodePairs(const unsigned char* plain, std::uint32_t n, unsigned char* end) {
    std::uint32_t p = 0, phase = 0;
#ifdef KARVELIN_VECTOR_RECODE
    for (; n - p >= kLanes; p += kLanes) {
        const Lanes x = Load(kTables.key + phase) ^ ~Load(plain + p);
        const Lanes offset = Load(kTables.offset + phase);
        const Lanes high = offset + (x >> 4), low = offset + (x & 0x0F);
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + kLanes);
        Store(out, __builtin_shuffle(high, low, kFirstPairs));
        Store(out + kLanes, __builtin_shuffle(high, low, kLastPairs));
        phase += kLanes;
        if (phase >= kPeriod) phase -= kPeriod;
    }
#endif
    for (; p < n; ++p) {
        const unsigned x = (kTables.key[phase] ^ static_cast<unsigned char>(~plain[p])) & 0xFF;
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + 1);
        out[0] = static_cast<unsigned char>(kTables.offset[phase] + (x >> 4));
        out[1] = static_cast<unsigned char>(kTables.offset[phase] + (x & 0x0F));
        if (++phase == kPeriod) phase = 0;
    }
}

// Plain bytes of the c pairs that stand before `end`, the last pair first.
KARVELIN_BY_PROCESSOR void DecodePairs(const unsigned char* end, std::uint32_t c, unsigned char* plain) {
    std::uint32_t p = 0, phase = 0;
#ifdef KARVELIN_VECTOR_RECODE
    for (; c - p >= kLanes; p += kLanes) {
        const unsigned char* pairs = end - 2 * static_cast<std::size_t>(p + kLanes);
        const Lanes first = Load(pairs), last = Load(pairs + kLanes);
        const Lanes offset = Load(kTables.offset + phase);
        const Lanes high = (__builtin_shuffle(first, last, kHighHalves) - offset) & 0x0F;
        const Lanes low = (__builtin_shuffle(first, last, kLowHalves) - offset) & 0x0F;
        Store(plain + p, ~((high << 4 | low) ^ Load(kTables.key + phase)));
        phase += kLanes;
        if (phase >= kPeriod) phase -= kPeriod;
    }
#endif
    for (; p < c; ++p) {
        const unsigned char* pair = end - 2 * static_cast<std::size_t>(p + 1);
        const unsigned high = (pair[0] - kTables.offset[phase]) & 0x0F;
        const unsigned low = (pair[1] - kTables.offset[phase]) & 0x0F;
        plain[p] = static_cast<unsigned char>(~((high << 4 | low) ^ kTables.key[phase]));
        if (++phase == kPeriod) phase = 0;
    }
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
    EncodePairs(reinterpret_cast<const unsigned char*>(bytes), n, end);
    return result;
}

char* Decode(const char* text, std::uint32_t m, AllocatorPlatform& allocator) {
    const std::uint32_t c = m / 2;
    char* result = NewText(static_cast<std::size_t>(c) + 1, allocator);
    if (!result || c == 0) return result;

    // Position p's pair stands at 2 * (c - 1 - p).
    const unsigned char* end = reinterpret_cast<const unsigned char*>(text) + 2 * static_cast<std::size_t>(c);
    DecodePairs(end, c, reinterpret_cast<unsigned char*>(result));
    return result;
}

}  // namespace karvelin::text
