// Fuzzer: every input recodes into the printable alphabet and decodes back;
// any text decodes without reading past its count.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "text/recode.h"

namespace {

struct Release {
    void operator()(char* text) const { karvelin::text::SystemAllocator().Release(text); }
};
using Text = std::unique_ptr<char, Release>;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin::text;
    // An exact-size copy, so any read past the input is caught.
    std::unique_ptr<char[]> input(new char[size ? size : 1]);
    std::memcpy(input.get(), data, size);
    const auto n = static_cast<std::uint32_t>(size);

    Text encoded(Recode(input.get(), n, SystemAllocator()));
    if (!encoded) std::abort();
    for (std::size_t i = 0; i < 2 * size; ++i) {
        const auto c = static_cast<unsigned char>(encoded.get()[i]);
        if (c < 40 || c > 118) std::abort();
    }
    if (encoded.get()[2 * size] != '\0') std::abort();

    Text decoded(Decode(encoded.get(), 2 * n, SystemAllocator()));
    if (!decoded || std::memcmp(decoded.get(), input.get(), size) != 0 || decoded.get()[size] != '\0')
        std::abort();

    // The input itself as an encoded text, odd counts included.
    Text foreign(Decode(input.get(), n, SystemAllocator()));
    if (!foreign || foreign.get()[n / 2] != '\0') std::abort();
    return 0;
}
