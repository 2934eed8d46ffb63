// Fuzzer: every input recodes into exactly the text the formula gives, and
// decodes back; any text decodes without reading past its count. Each
// variant is compared: the library as this build makes it (the byte loop,
// as in the i686 DLL), and the vector variants GCC makes for the x86-64
// baseline (SSE2), SSSE3 and AVX2, built apart (see CMakeLists.txt) and run
// where the processor has them. The vector variants are not instrumented:
// their inputs and results end right before a page that cannot be read, so
// a read or write past them faults.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reference.h"
#include "text/recode.h"

namespace karvelin::text {
char* RecodeSse2(const char*, std::uint32_t, AllocatorPlatform&);
char* DecodeSse2(const char*, std::uint32_t, AllocatorPlatform&);
char* RecodeSsse3(const char*, std::uint32_t, AllocatorPlatform&);
char* DecodeSsse3(const char*, std::uint32_t, AllocatorPlatform&);
char* RecodeAvx2(const char*, std::uint32_t, AllocatorPlatform&);
char* DecodeAvx2(const char*, std::uint32_t, AllocatorPlatform&);
}  // namespace karvelin::text

namespace {

using namespace karvelin::text;

// A block of `capacity` bytes followed by a page that cannot be touched;
// `Place` answers room for `size` bytes that ends at that page.
class GuardedBlock {
public:
    explicit GuardedBlock(std::size_t capacity) : capacity_(capacity) {
        const std::size_t page = static_cast<std::size_t>(::sysconf(_SC_PAGESIZE));
        capacity_ = (capacity + page - 1) / page * page;
        void* map = ::mmap(nullptr, capacity_ + page, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
        if (map == MAP_FAILED) std::abort();
        base_ = static_cast<char*>(map);
        ::mprotect(base_ + capacity_, page, PROT_NONE);
    }
    char* Place(std::size_t size) {
        if (size > capacity_) std::abort();
        return base_ + capacity_ - size;
    }

private:
    std::size_t capacity_;
    char* base_;
};

// Hands out cleared blocks that end at a guard page; one live block per
// allocator.
class GuardedAllocator final : public AllocatorPlatform {
public:
    explicit GuardedAllocator(std::size_t capacity) : block_(capacity) {}
    void* Allocate(std::size_t size) override { return std::memset(block_.Place(size), 0, size); }
    void Release(void*) override {}

private:
    GuardedBlock block_;
};

constexpr std::size_t kMostInput = 1 << 20;

struct Variant {
    const char* name;
    char* (*recode)(const char*, std::uint32_t, AllocatorPlatform&);
    char* (*decode)(const char*, std::uint32_t, AllocatorPlatform&);
    bool runs;
};

void Check(bool good) {
    if (!good) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMostInput) return 0;
    static GuardedBlock input_block(kMostInput);
    static GuardedAllocator encoded_room(2 * kMostInput + 1), decoded_room(kMostInput + 1);
    static const Variant variants[] = {
        {"sse2", RecodeSse2, DecodeSse2, true},
        {"ssse3", RecodeSsse3, DecodeSsse3, __builtin_cpu_supports("ssse3") != 0},
        {"avx2", RecodeAvx2, DecodeAvx2, __builtin_cpu_supports("avx2") != 0},
    };
    const std::string plain(reinterpret_cast<const char*>(data), size);
    const std::string expected = karvelin::reference::Recode(plain);
    const std::string foreign_expected = karvelin::reference::Decode(plain) + '\0';
    const auto n = static_cast<std::uint32_t>(size);

    // The library as built here, its blocks from the system's allocator
    // (checked by AddressSanitizer), the input in a block of its exact size.
    {
        const std::string input_copy = plain;  // exact size, instrumented
        char* encoded = Recode(input_copy.data(), n, SystemAllocator());
        Check(encoded && std::string(encoded, 2 * size + 1) == expected + '\0');
        char* decoded = Decode(encoded, 2 * n, SystemAllocator());
        Check(decoded && std::string(decoded, size + 1) == plain + '\0');
        SystemAllocator().Release(decoded);
        // The input itself as an encoded text, odd counts included.
        char* foreign = Decode(input_copy.data(), n, SystemAllocator());
        Check(foreign && std::string(foreign, n / 2 + 1) == foreign_expected);
        SystemAllocator().Release(foreign);
        SystemAllocator().Release(encoded);
    }

    char* input = input_block.Place(size);
    std::memcpy(input, data, size);
    for (const Variant& variant : variants) {
        if (!variant.runs) continue;
        char* encoded = variant.recode(input, n, encoded_room);
        Check(encoded && std::string(encoded, 2 * size + 1) == expected + '\0');
        char* decoded = variant.decode(encoded, 2 * n, decoded_room);
        Check(decoded && std::string(decoded, size + 1) == plain + '\0');
        // Any text decodes by the formula's inverse, odd counts included.
        char* foreign = variant.decode(input, n, decoded_room);
        Check(foreign && std::string(foreign, n / 2 + 1) == foreign_expected);
    }
    return 0;
}
