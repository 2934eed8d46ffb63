#include "text/recode_variants.h"

#include "text/recode.h"

#if defined(__GNUC__) && (defined(__i386__) || defined(__x86_64__))
#define KARVELIN_X86_VARIANTS 1
#include <cpuid.h>
#include <immintrin.h>
#endif

namespace karvelin::text {
namespace {

// Key and offset repeat every 510 positions (255 and 10). The tables run 32
// entries past one period, so that a block of up to 32 positions can be read
// from any phase at once.
constexpr std::uint32_t kPeriod = 510;
constexpr std::uint32_t kMostLanes = 32;
constexpr std::uint32_t kLength = kPeriod + kMostLanes;

struct alignas(64) PositionTables {
    unsigned char key[kLength];
    unsigned char offset[kLength];
    // NOT k(p): x = k XOR NOT b = NOT k XOR b, one operation per block.
    unsigned char not_key[kLength];
    // The offsets twice each (one per character of a pair), in reverse order:
    // entries 2i and 2i + 1 belong to position kLength - 1 - i, so a block of
    // pairs that stands last-position-first reads its offsets in one load.
    unsigned char pair_offset[2 * kLength];
    constexpr PositionTables() : key(), offset(), not_key(), pair_offset() {
        for (std::uint32_t j = 0; j < kLength; ++j) {
            key[j] = static_cast<unsigned char>(KeyAt(j % kPeriod));
            offset[j] = static_cast<unsigned char>(OffsetAt(j % kPeriod));
            not_key[j] = static_cast<unsigned char>(~key[j]);
        }
        for (std::uint32_t i = 0; i < kLength; ++i)
            pair_offset[2 * i] = pair_offset[2 * i + 1] = offset[kLength - 1 - i];
    }
};
constexpr PositionTables kTables;

// The phase of the block of `lanes` positions before the one at `phase`.
inline std::uint32_t Retreat(std::uint32_t phase, std::uint32_t lanes) {
    return phase >= lanes ? phase - lanes : phase + kPeriod - lanes;
}

// The offsets of the pairs of positions phase + lanes - 1 down to phase.
inline const unsigned char* PairOffsets(std::uint32_t phase, std::uint32_t lanes) {
    return kTables.pair_offset + 2 * (kLength - lanes - phase);
}

// The byte loops, from position p (at `phase`) to the end: the whole work of
// the plain variant and the tail of the vector ones.
void EncodeFrom(const unsigned char* plain, std::uint32_t p, std::uint32_t n, unsigned char* end,
                std::uint32_t phase) {
    for (; p < n; ++p) {
        const unsigned x = (kTables.key[phase] ^ static_cast<unsigned char>(~plain[p])) & 0xFF;
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + 1);
        out[0] = static_cast<unsigned char>(kTables.offset[phase] + (x >> 4));
        out[1] = static_cast<unsigned char>(kTables.offset[phase] + (x & 0x0F));
        if (++phase == kPeriod) phase = 0;
    }
}

void DecodeFrom(const unsigned char* end, std::uint32_t p, std::uint32_t c, unsigned char* plain,
                std::uint32_t phase) {
    for (; p < c; ++p) {
        const unsigned char* pair = end - 2 * static_cast<std::size_t>(p + 1);
        const unsigned high = (pair[0] - kTables.offset[phase]) & 0x0F;
        const unsigned low = (pair[1] - kTables.offset[phase]) & 0x0F;
        plain[p] = static_cast<unsigned char>(~((high << 4 | low) ^ kTables.key[phase]));
        if (++phase == kPeriod) phase = 0;
    }
}

void EncodeBytes(const unsigned char* plain, std::uint32_t n, unsigned char* end) { EncodeFrom(plain, 0, n, end, 0); }
void DecodeBytes(const unsigned char* end, std::uint32_t c, unsigned char* plain) { DecodeFrom(end, 0, c, plain, 0); }

#ifdef KARVELIN_X86_VARIANTS
// Each vector variant is one function built for its instruction set alone.
// The vectors never leave it (macros, not helper functions, so that no vector
// crosses a call in code built without SSE). The blocks run from the last position down, so that the encoded text (the
// last position's pair first) is written, or read, upwards: the processor's
// prefetching follows an upward stream of the larger side better (Recode of
// 1 MiB ran a third faster so). The positions after the last whole block go
// through the byte loop first.
#define KARVELIN_TARGET(isa) __attribute__((target(isa)))
#define LOAD128(from) _mm_loadu_si128(reinterpret_cast<const __m128i*>(from))
#define STORE128(to, v) _mm_storeu_si128(reinterpret_cast<__m128i*>(to), v)
#define LOAD256(from) _mm256_loadu_si256(reinterpret_cast<const __m256i*>(from))
#define STORE256(to, v) _mm256_storeu_si256(reinterpret_cast<__m256i*>(to), v)
// SSE2 has no byte shuffle: dwords reversed, then the words in each dword,
// then the bytes in each word.
#define REVERSE128_SSE2(v)                                                            \
    do {                                                                              \
        v = _mm_shufflehi_epi16(_mm_shufflelo_epi16(_mm_shuffle_epi32(v, 0x1B), 0xB1), 0xB1); \
        v = _mm_or_si128(_mm_slli_epi16(v, 8), _mm_srli_epi16(v, 8));                 \
    } while (0)

// Recode, 16 positions a block: x reversed into last-position-first order,
// split into halves, interleaved into pairs, offsets added.
KARVELIN_TARGET("sse2") void EncodeSse2(const unsigned char* plain, std::uint32_t n, unsigned char* end) {
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const std::uint32_t blocks = n / 16 * 16;
    EncodeFrom(plain, blocks, n, end, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 16;
        phase = Retreat(phase, 16);
        __m128i x = _mm_xor_si128(LOAD128(plain + p), LOAD128(kTables.not_key + phase));
        REVERSE128_SSE2(x);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(x, 4), nibble), low = _mm_and_si128(x, nibble);
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + 16);
        const unsigned char* offset = PairOffsets(phase, 16);
        STORE128(out, _mm_add_epi8(_mm_unpacklo_epi8(high, low), LOAD128(offset)));
        STORE128(out + 16, _mm_add_epi8(_mm_unpackhi_epi8(high, low), LOAD128(offset + 16)));
    }
}

// Decode, 16 positions a block: halves from the pairs, each pair's two halves
// joined into x in 16 bits, packed to bytes, reversed into position order.
KARVELIN_TARGET("sse2") void DecodeSse2(const unsigned char* end, std::uint32_t c, unsigned char* plain) {
    const __m128i nibble = _mm_set1_epi8(0x0F), high_bits = _mm_set1_epi16(0x00F0);
    const std::uint32_t blocks = c / 16 * 16;
    DecodeFrom(end, blocks, c, plain, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 16;
        phase = Retreat(phase, 16);
        const unsigned char* pairs = end - 2 * static_cast<std::size_t>(p + 16);
        const unsigned char* offset = PairOffsets(phase, 16);
        // Each 16-bit lane: the high half in its low byte, the low half above.
        const __m128i a = _mm_and_si128(_mm_sub_epi8(LOAD128(pairs), LOAD128(offset)), nibble);
        const __m128i b = _mm_and_si128(_mm_sub_epi8(LOAD128(pairs + 16), LOAD128(offset + 16)), nibble);
        const __m128i xa = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(a, 4), high_bits), _mm_srli_epi16(a, 8));
        const __m128i xb = _mm_or_si128(_mm_and_si128(_mm_slli_epi16(b, 4), high_bits), _mm_srli_epi16(b, 8));
        __m128i x = _mm_packus_epi16(xa, xb);
        REVERSE128_SSE2(x);
        STORE128(plain + p, _mm_xor_si128(x, LOAD128(kTables.not_key + phase)));
    }
}

// SSSE3: one byte shuffle reverses a block; Decode joins the halves with a
// multiply-add (16 * high + low).
KARVELIN_TARGET("ssse3") void EncodeSsse3(const unsigned char* plain, std::uint32_t n, unsigned char* end) {
    const __m128i nibble = _mm_set1_epi8(0x0F);
    const __m128i reverse = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const std::uint32_t blocks = n / 16 * 16;
    EncodeFrom(plain, blocks, n, end, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 16;
        phase = Retreat(phase, 16);
        const __m128i x =
            _mm_shuffle_epi8(_mm_xor_si128(LOAD128(plain + p), LOAD128(kTables.not_key + phase)), reverse);
        const __m128i high = _mm_and_si128(_mm_srli_epi16(x, 4), nibble), low = _mm_and_si128(x, nibble);
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + 16);
        const unsigned char* offset = PairOffsets(phase, 16);
        STORE128(out, _mm_add_epi8(_mm_unpacklo_epi8(high, low), LOAD128(offset)));
        STORE128(out + 16, _mm_add_epi8(_mm_unpackhi_epi8(high, low), LOAD128(offset + 16)));
    }
}

KARVELIN_TARGET("ssse3") void DecodeSsse3(const unsigned char* end, std::uint32_t c, unsigned char* plain) {
    const __m128i nibble = _mm_set1_epi8(0x0F), weights = _mm_set1_epi16(0x0110);
    const __m128i reverse = _mm_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const std::uint32_t blocks = c / 16 * 16;
    DecodeFrom(end, blocks, c, plain, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 16;
        phase = Retreat(phase, 16);
        const unsigned char* pairs = end - 2 * static_cast<std::size_t>(p + 16);
        const unsigned char* offset = PairOffsets(phase, 16);
        const __m128i a = _mm_and_si128(_mm_sub_epi8(LOAD128(pairs), LOAD128(offset)), nibble);
        const __m128i b = _mm_and_si128(_mm_sub_epi8(LOAD128(pairs + 16), LOAD128(offset + 16)), nibble);
        const __m128i x = _mm_packus_epi16(_mm_maddubs_epi16(a, weights), _mm_maddubs_epi16(b, weights));
        STORE128(plain + p, _mm_xor_si128(_mm_shuffle_epi8(x, reverse), LOAD128(kTables.not_key + phase)));
    }
}

// AVX2, 32 positions a block. Byte shuffles, unpacking and packing work
// within each 128-bit lane; one lane permutation per block puts the halves
// in order.
KARVELIN_TARGET("avx2") void EncodeAvx2(const unsigned char* plain, std::uint32_t n, unsigned char* end) {
    const __m256i nibble = _mm256_set1_epi8(0x0F);
    const __m256i reverse = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
                                             15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const std::uint32_t blocks = n / 32 * 32;
    EncodeFrom(plain, blocks, n, end, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 32;
        phase = Retreat(phase, 32);
        // Lane 0 holds positions 15..0, lane 1 positions 31..16.
        const __m256i x =
            _mm256_shuffle_epi8(_mm256_xor_si256(LOAD256(plain + p), LOAD256(kTables.not_key + phase)), reverse);
        const __m256i high = _mm256_and_si256(_mm256_srli_epi16(x, 4), nibble), low = _mm256_and_si256(x, nibble);
        // Pairs of positions 15..8 | 31..24, and 7..0 | 23..16.
        const __m256i first = _mm256_unpacklo_epi8(high, low), second = _mm256_unpackhi_epi8(high, low);
        unsigned char* out = end - 2 * static_cast<std::size_t>(p + 32);
        const unsigned char* offset = PairOffsets(phase, 32);
        STORE256(out, _mm256_add_epi8(_mm256_permute2x128_si256(first, second, 0x31), LOAD256(offset)));
        STORE256(out + 32, _mm256_add_epi8(_mm256_permute2x128_si256(first, second, 0x20), LOAD256(offset + 32)));
    }
}

KARVELIN_TARGET("avx2") void DecodeAvx2(const unsigned char* end, std::uint32_t c, unsigned char* plain) {
    const __m256i nibble = _mm256_set1_epi8(0x0F), weights = _mm256_set1_epi16(0x0110);
    const __m256i reverse = _mm256_setr_epi8(15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0,  //
                                             15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1, 0);
    const std::uint32_t blocks = c / 32 * 32;
    DecodeFrom(end, blocks, c, plain, blocks % kPeriod);
    for (std::uint32_t p = blocks, phase = blocks % kPeriod; p != 0;) {
        p -= 32;
        phase = Retreat(phase, 32);
        const unsigned char* pairs = end - 2 * static_cast<std::size_t>(p + 32);
        const unsigned char* offset = PairOffsets(phase, 32);
        const __m256i a = _mm256_and_si256(_mm256_sub_epi8(LOAD256(pairs), LOAD256(offset)), nibble);
        const __m256i b = _mm256_and_si256(_mm256_sub_epi8(LOAD256(pairs + 32), LOAD256(offset + 32)), nibble);
        // Quarters: the x of pairs 0-7 | 16-23 | 8-15 | 24-31 (pair i is
        // position 31 - i); reversed in each lane, then the quarters put in
        // position order.
        const __m256i x = _mm256_packus_epi16(_mm256_maddubs_epi16(a, weights), _mm256_maddubs_epi16(b, weights));
        const __m256i ordered = _mm256_permute4x64_epi64(_mm256_shuffle_epi8(x, reverse), 0x72);
        STORE256(plain + p, _mm256_xor_si256(ordered, LOAD256(kTables.not_key + phase)));
    }
}

struct Features {
    bool sse2 = false, ssse3 = false, avx2 = false;
};

// What the processor offers, and for AVX2 whether the system saves the
// 256-bit registers (XGETBV: an older system may not, whatever the processor).
// Every release the DLL loads on (2000 and later) saves the SSE registers.
Features ReadFeatures() {
    Features features;
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (!__get_cpuid(1, &a, &b, &c, &d)) return features;
    features.sse2 = (d & bit_SSE2) != 0;
    features.ssse3 = features.sse2 && (c & bit_SSSE3) != 0;
    if ((c & bit_OSXSAVE) && (c & bit_AVX)) {
        unsigned low = 0, high = 0;
        __asm__("xgetbv" : "=a"(low), "=d"(high) : "c"(0));
        if ((low & 6) == 6 && __get_cpuid_count(7, 0, &a, &b, &c, &d))
            features.avx2 = features.ssse3 && (b & bit_AVX2) != 0;
    }
    return features;
}
#endif  // KARVELIN_X86_VARIANTS

RecodeVariant g_runnable[4];
std::size_t g_runnable_count = 0;

// Runs once, when the library is loaded (a namespace-scope initialiser).
const RecodeVariant* ChooseAtLoad() {
    g_runnable[g_runnable_count++] = {"bytes", &EncodeBytes, &DecodeBytes};
#ifdef KARVELIN_X86_VARIANTS
    const Features features = ReadFeatures();
    if (features.sse2) g_runnable[g_runnable_count++] = {"sse2", &EncodeSse2, &DecodeSse2};
    if (features.ssse3) g_runnable[g_runnable_count++] = {"ssse3", &EncodeSsse3, &DecodeSsse3};
    if (features.avx2) g_runnable[g_runnable_count++] = {"avx2", &EncodeAvx2, &DecodeAvx2};
#endif
    return &g_runnable[g_runnable_count - 1];
}

const RecodeVariant* g_active = ChooseAtLoad();

}  // namespace

const RecodeVariant* RunnableRecodeVariants(std::size_t& count) {
    count = g_runnable_count;
    return g_runnable;
}

const RecodeVariant& ActiveRecodeVariant() { return *g_active; }

void UseRecodeVariant(const RecodeVariant& variant) { g_active = &variant; }

}  // namespace karvelin::text
