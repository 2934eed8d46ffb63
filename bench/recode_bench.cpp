// recode_bench - throughput of Recode and Decode against memcpy of the same
// plain size. Figures are MB/s (10^6 bytes) of plain input; nothing here
// asserts on timing. Exits non-zero when Decode(Recode(x)) != x.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#ifdef _WIN32
#include <windows.h>  // KARVELIN_FREE_TEXT
#endif

#include "Karvelin.h"

namespace {

using Clock = std::chrono::steady_clock;
constexpr double kSecondsPerFigure = 0.3;

// Keeps the compiler from dropping work whose result is otherwise unused.
unsigned char g_checksum = 0;

inline void Consume(const char* data, std::size_t size) {
    g_checksum = static_cast<unsigned char>(g_checksum + static_cast<unsigned char>(data[size / 2]));
#if defined(__GNUC__)
    __asm__ __volatile__("" : : "r"(data) : "memory");
#endif
}

// Calls of `work` per second. Batches double until one takes ~10 ms, so the
// clock is read rarely even for the smallest sizes.
template <typename Work>
double CallsPerSecond(Work work) {
    work();  // warm-up: caches, page faults, first allocation
    std::uint64_t calls = 0, batch = 1;
    double elapsed = 0.0;
    while (elapsed < kSecondsPerFigure) {
        const auto start = Clock::now();
        for (std::uint64_t i = 0; i < batch; ++i) work();
        const double took = std::chrono::duration<double>(Clock::now() - start).count();
        elapsed += took;
        calls += batch;
        if (took < 0.01) batch *= 2;
    }
    return static_cast<double>(calls) / elapsed;
}

std::vector<char> RandomBytes(std::size_t size, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> byte(0, 255);
    std::vector<char> bytes(size);
    for (char& b : bytes) b = static_cast<char>(byte(engine));
    return bytes;
}

// Decode(Recode(x)) must give x back, NUL bytes included.
bool RoundTrips(const std::vector<char>& plain) {
    const auto n = static_cast<std::uint32_t>(plain.size());
    char* text = Recode(plain.data(), n);
    if (!text) return false;
    char* back = Decode(text, 2 * n);
    const bool same = back && std::memcmp(back, plain.data(), plain.size()) == 0 && back[n] == '\0';
    KARVELIN_FREE_TEXT(back);
    KARVELIN_FREE_TEXT(text);
    return same;
}

struct Size {
    const char* label;
    std::size_t bytes;
};

}  // namespace

int main() {
    const Size sizes[] = {{"1 KiB", 1024}, {"1 MiB", 1024 * 1024}};

    for (const Size& size : sizes) {
        if (!RoundTrips(RandomBytes(size.bytes, 0x5EED))) {
            std::fprintf(stderr, "recode_bench: Decode(Recode(x)) != x for %s\n", size.label);
            return 1;
        }
    }

    std::printf("%-6s %12s %12s %12s %14s %14s\n", "size", "Recode MB/s", "Decode MB/s", "memcpy MB/s",
                "Recode/memcpy", "Decode/memcpy");
    for (const Size& size : sizes) {
        const std::vector<char> plain = RandomBytes(size.bytes, 0x5EED);
        const auto n = static_cast<std::uint32_t>(size.bytes);
        char* recoded = Recode(plain.data(), n);
        if (!recoded) {
            std::fprintf(stderr, "recode_bench: Recode gave no text for %s\n", size.label);
            return 1;
        }
        std::vector<char> copy(size.bytes);

        const double recode = CallsPerSecond([&] {
            char* text = Recode(plain.data(), n);
            Consume(text, 2 * size.bytes);
            KARVELIN_FREE_TEXT(text);
        });
        const double decode = CallsPerSecond([&] {
            char* back = Decode(recoded, 2 * n);
            Consume(back, size.bytes);
            KARVELIN_FREE_TEXT(back);
        });
        const double memcpy_rate = CallsPerSecond([&] {
            std::memcpy(copy.data(), plain.data(), size.bytes);
            Consume(copy.data(), size.bytes);
        });
        KARVELIN_FREE_TEXT(recoded);

        const double mb = static_cast<double>(size.bytes) / 1e6;
        std::printf("%-6s %12.1f %12.1f %12.1f %14.4f %14.4f\n", size.label, recode * mb, decode * mb,
                    memcpy_rate * mb, recode / memcpy_rate, decode / memcpy_rate);
    }
    std::printf("checksum %02x\n", g_checksum);
    return 0;
}
