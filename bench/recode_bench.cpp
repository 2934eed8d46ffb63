// recode_bench - throughput of Recode and Decode against memcpy of the same
// plain size, for each inner-loop variant the processor runs (the byte loop
// first; "(chosen)" marks the one the library picks at load). Figures are
// MB/s (10^6 bytes) of plain input, ratios against memcpy and against the
// byte loop; nothing here asserts on timing. Exits non-zero when
// Decode(Recode(x)) != x.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <vector>

#include "text/recode.h"
#include "text/recode_variants.h"

namespace {

using namespace karvelin::text;
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
    char* text = Recode(plain.data(), n, SystemAllocator());
    if (!text) return false;
    char* back = Decode(text, 2 * n, SystemAllocator());
    const bool same = back && std::memcmp(back, plain.data(), plain.size()) == 0 && back[n] == '\0';
    SystemAllocator().Release(back);
    SystemAllocator().Release(text);
    return same;
}

struct Size {
    const char* label;
    std::size_t bytes;
};

}  // namespace

int main() {
    const Size sizes[] = {{"1 KiB", 1024}, {"1 MiB", 1024 * 1024}};
    std::size_t count = 0;
    const RecodeVariant* variants = RunnableRecodeVariants(count);
    const RecodeVariant& chosen = ActiveRecodeVariant();

    // Whole calls (the new text allocated and released each time), and the
    // inner loops alone into blocks allocated once ("loop"), both against
    // the byte loop.
    std::printf("%-6s %-8s %12s %12s %12s %9s %9s %9s %9s %9s %9s\n", "size", "variant", "Recode MB/s",
                "Decode MB/s", "memcpy MB/s", "R/memcpy", "D/memcpy", "R/bytes", "D/bytes", "R loop", "D loop");
    for (const Size& size : sizes) {
        const std::vector<char> plain = RandomBytes(size.bytes, 0x5EED);
        const auto n = static_cast<std::uint32_t>(size.bytes);
        std::vector<char> copy(size.bytes);
        const double mb = static_cast<double>(size.bytes) / 1e6;
        double recode_bytes = 0.0, decode_bytes = 0.0, encode_bytes = 0.0, decode_loop_bytes = 0.0;
        std::vector<unsigned char> encoded(2 * size.bytes), decoded(size.bytes);
        for (std::size_t v = 0; v < count; ++v) {
            UseRecodeVariant(variants[v]);
            if (!RoundTrips(plain)) {
                std::fprintf(stderr, "recode_bench: Decode(Recode(x)) != x for %s, %s\n", size.label, variants[v].name);
                return 1;
            }
            char* recoded = Recode(plain.data(), n, SystemAllocator());
            const double recode = CallsPerSecond([&] {
                char* text = Recode(plain.data(), n, SystemAllocator());
                Consume(text, 2 * size.bytes);
                SystemAllocator().Release(text);
            });
            const double decode = CallsPerSecond([&] {
                char* back = Decode(recoded, 2 * n, SystemAllocator());
                Consume(back, size.bytes);
                SystemAllocator().Release(back);
            });
            // memcpy again beside each variant, so that each line's ratios
            // come from figures taken together.
            const double memcpy_rate = CallsPerSecond([&] {
                std::memcpy(copy.data(), plain.data(), size.bytes);
                Consume(copy.data(), size.bytes);
            });
            const double encode_loop = CallsPerSecond([&] {
                variants[v].encode(reinterpret_cast<const unsigned char*>(plain.data()), n,
                                   encoded.data() + encoded.size());
                Consume(reinterpret_cast<const char*>(encoded.data()), encoded.size());
            });
            const double decode_loop = CallsPerSecond([&] {
                variants[v].decode(reinterpret_cast<const unsigned char*>(recoded) + 2 * size.bytes, n,
                                   decoded.data());
                Consume(reinterpret_cast<const char*>(decoded.data()), decoded.size());
            });
            SystemAllocator().Release(recoded);
            if (v == 0) recode_bytes = recode, decode_bytes = decode, encode_bytes = encode_loop, decode_loop_bytes = decode_loop;
            std::printf("%-6s %-8s %12.1f %12.1f %12.1f %9.3f %9.3f %9.2f %9.2f %9.2f %9.2f%s\n", size.label,
                        variants[v].name, recode * mb, decode * mb, memcpy_rate * mb, recode / memcpy_rate,
                        decode / memcpy_rate, recode / recode_bytes, decode / decode_bytes, encode_loop / encode_bytes,
                        decode_loop / decode_loop_bytes, &variants[v] == &chosen ? "  (chosen)" : "");
        }
    }
    // The memory traffic alone, as memcpy moves it: Recode reads n bytes and
    // writes a new block of 2n, Decode reads 2n and writes n. Where n and 2n
    // do not both fit the processor's cache these bound the figures above.
    {
        const std::size_t n = 1024 * 1024;
        const std::vector<char> source = RandomBytes(2 * n, 0x5EED);
        std::vector<char> copy(n);
        const double plain_rate = CallsPerSecond([&] {
            std::memcpy(copy.data(), source.data(), n);
            Consume(copy.data(), n);
        });
        const double recode_traffic = CallsPerSecond([&] {
            auto* text = static_cast<char*>(SystemAllocator().Allocate(2 * n + 1));
            std::memcpy(text, source.data(), n);
            std::memcpy(text + n, source.data(), n);
            Consume(text, 2 * n);
            SystemAllocator().Release(text);
        });
        const double decode_traffic = CallsPerSecond([&] {
            auto* plain = static_cast<char*>(SystemAllocator().Allocate(n + 1));
            std::memcpy(plain, source.data(), n);
            std::memcpy(plain, source.data() + n, n);
            Consume(plain, n);
            SystemAllocator().Release(plain);
        });
        const double mb = static_cast<double>(n) / 1e6;
        std::printf("1 MiB  memcpy of the same traffic: Recode's %.1f MB/s (%.3f of memcpy), Decode's %.1f MB/s (%.3f)\n",
                    recode_traffic * mb, recode_traffic / plain_rate, decode_traffic * mb, decode_traffic / plain_rate);
    }
    UseRecodeVariant(chosen);
    std::printf("checksum %02x\n", g_checksum);
    return 0;
}
