// Fuzzer: every input recodes into exactly the text the formula gives, and
// decodes back; any text decodes without reading past its count. Once with
// blocks from the system's allocator, checked by AddressSanitizer, and once
// with inputs and results that end right before a page that cannot be read,
// so that a read or write past them faults at once.
#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "reference.h"
#include "text/recode.h"

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

void Check(bool good) {
    if (!good) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size > kMostInput) return 0;
    static GuardedBlock input_block(kMostInput);
    static GuardedAllocator encoded_room(2 * kMostInput + 1), decoded_room(kMostInput + 1);
    const std::string plain(reinterpret_cast<const char*>(data), size);
    const std::string expected = karvelin::reference::Recode(plain);
    const std::string foreign_expected = karvelin::reference::Decode(plain) + '\0';
    const auto n = static_cast<std::uint32_t>(size);
    char* guarded_input = input_block.Place(size);
    std::memcpy(guarded_input, data, size);

    // Blocks from the system's allocator, the input in a block of its exact
    // size.
    char* encoded = Recode(plain.data(), n, SystemAllocator());
    Check(encoded && std::string(encoded, 2 * size + 1) == expected + '\0');
    char* decoded = Decode(encoded, 2 * n, SystemAllocator());
    Check(decoded && std::string(decoded, size + 1) == plain + '\0');
    SystemAllocator().Release(decoded);
    SystemAllocator().Release(encoded);
    // The input itself as an encoded text, odd counts included.
    char* foreign = Decode(plain.data(), n, SystemAllocator());
    Check(foreign && std::string(foreign, n / 2 + 1) == foreign_expected);
    SystemAllocator().Release(foreign);

    // Inputs and results against a page that cannot be read.
    encoded = Recode(guarded_input, n, encoded_room);
    Check(encoded && std::string(encoded, 2 * size + 1) == expected + '\0');
    decoded = Decode(encoded, 2 * n, decoded_room);
    Check(decoded && std::string(decoded, size + 1) == plain + '\0');
    foreign = Decode(guarded_input, n, decoded_room);
    Check(foreign && std::string(foreign, n / 2 + 1) == foreign_expected);
    return 0;
}
