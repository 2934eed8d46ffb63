// recode_bench - the cost of one Recode or Decode call through the library's
// exports (the new text allocated and given back each time, as a caller
// does), at the sizes the installer passes, beside one memcpy of the same
// plain size. Prints nanoseconds per call and the ratio to memcpy; nothing
// here asserts on timing. Exits non-zero when Decode(Recode(x)) != x. With
// KARVELIN_LOG set, the calls run with the log on (scripts/bench.sh runs it
// both ways).
// Natively it runs against libKarvelin.so; the i686 build runs under Wine
// against Karvelin.dll.
#ifdef _WIN32
#include <windows.h>
#endif

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "Karvelin.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSecondsPerRound = 0.02;
constexpr int kRounds = 25;

// Keeps the compiler from dropping work whose result is otherwise unused,
// and from knowing a size at compile time.
unsigned char g_checksum = 0;

inline void Consume(const char* data, std::size_t size) {
    g_checksum = static_cast<unsigned char>(g_checksum + static_cast<unsigned char>(data[size / 2]));
    __asm__ __volatile__("" : : "r"(data) : "memory");
}

inline std::uint32_t Opaque(std::uint32_t value) {
    __asm__ __volatile__("" : "+r"(value));
    return value;
}

// Nanoseconds per call of `work`: the best of many short rounds (on a shared
// machine the best is the steadiest figure), each ~20 ms of batches that
// double until one takes ~5 ms (the clock is read rarely).
template <typename Work>
double NanosecondsPerCall(Work work) {
    for (int i = 0; i < 1000; ++i) work();  // warm-up: caches, the heap's first blocks
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        std::uint64_t calls = 0, batch = 64;
        double elapsed = 0.0;
        while (elapsed < kSecondsPerRound) {
            const auto start = Clock::now();
            for (std::uint64_t i = 0; i < batch; ++i) work();
            const double took = std::chrono::duration<double>(Clock::now() - start).count();
            elapsed += took;
            calls += batch;
            if (took < 0.005) batch *= 2;
        }
        best = std::min(best, elapsed * 1e9 / static_cast<double>(calls));
    }
    return best;
}

// Printable bytes, as passwords and settings are; NUL bytes round-trip too.
std::vector<char> Plain(std::size_t size) {
    std::vector<char> bytes(size);
    std::uint32_t state = 0x5EED;
    for (char& b : bytes) {
        state = state * 1103515245u + 12345u;
        b = static_cast<char>(33 + (state >> 16) % 94);
    }
    if (size > 2) bytes[size / 2] = '\0';
    return bytes;
}

bool RoundTrips(const std::vector<char>& plain) {
    const auto n = static_cast<std::uint32_t>(plain.size());
    char* text = Recode(plain.data(), n);
    char* back = text ? Decode(text, 2 * n) : nullptr;
    const bool same = back && std::memcmp(back, plain.data(), plain.size()) == 0 && back[n] == '\0';
    if (back) KARVELIN_FREE_TEXT(back);
    if (text) KARVELIN_FREE_TEXT(text);
    return same;
}

}  // namespace

int main() {
    const char* log = std::getenv("KARVELIN_LOG");
    std::printf("the log %s\n", log && *log ? "on (KARVELIN_LOG)" : "off");
    std::printf("%-6s %12s %12s %12s %10s %10s\n", "bytes", "Recode ns", "Decode ns", "memcpy ns", "R/memcpy",
                "D/memcpy");
    for (const std::size_t size : {std::size_t{8}, std::size_t{32}, std::size_t{255}}) {
        const std::vector<char> plain = Plain(size);
        if (!RoundTrips(plain)) {
            std::fprintf(stderr, "recode_bench: Decode(Recode(x)) != x at %zu bytes\n", size);
            return 1;
        }
        const auto n = static_cast<std::uint32_t>(size);
        char* recoded = Recode(plain.data(), n);
        std::vector<char> copy(size);
        const double recode = NanosecondsPerCall([&] {
            char* text = Recode(plain.data(), Opaque(n));
            Consume(text, 2 * size);
            KARVELIN_FREE_TEXT(text);
        });
        const double decode = NanosecondsPerCall([&] {
            char* back = Decode(recoded, Opaque(2 * n));
            Consume(back, size);
            KARVELIN_FREE_TEXT(back);
        });
        const double copying = NanosecondsPerCall([&] {
            std::memcpy(copy.data(), plain.data(), Opaque(n));
            Consume(copy.data(), size);
        });
        KARVELIN_FREE_TEXT(recoded);
        std::printf("%-6zu %12.1f %12.1f %12.1f %10.1f %10.1f\n", size, recode, decode, copying, recode / copying,
                    decode / copying);
    }
    std::printf("checksum %02x\n", g_checksum);
    return 0;
}
