// Fuzzer: one step of a "fill this buffer or say what it takes" read, as the
// registry's: data of any bytes in a buffer of any size, any outcome, any
// claimed length, compared with the rule (filled data is terminated inside
// the buffer, a need is passed on, a claim beyond the offer refused); never a
// byte written outside the buffer.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "common/sized_text.h"

namespace {

using karvelin::Fill;

void OneStep(const std::uint8_t* data, std::size_t size) {  // size >= 3
    const std::size_t buffer_size = data[0], length = data[1];
    const Fill fill = static_cast<Fill>(data[2] % 3);
    const std::string content(reinterpret_cast<const char*>(data + 3), size - 3);
    constexpr std::size_t kGuard = 8;
    std::string block(kGuard + buffer_size + kGuard, '\x5A');
    const std::string before = content.substr(0, buffer_size) +
                               std::string(buffer_size - std::min(buffer_size, content.size()), '\x7E');
    block.replace(kGuard, buffer_size, before);

    std::size_t needed = 12345;
    const bool answer = karvelin::TakeFill(fill, length, &block[kGuard], buffer_size, needed);

    std::string expected = before;
    bool good = buffer_size != 0;
    if (good && fill == Fill::kMoreData) {
        good = length != 0;
    } else if (good && fill == Fill::kDone && length < buffer_size) {
        expected[length] = '\0';
    } else {
        good = false;
    }
    if (answer != good || block.compare(kGuard, buffer_size, expected) != 0 ||
        block.substr(0, kGuard) != std::string(kGuard, '\x5A') ||
        block.substr(kGuard + buffer_size) != std::string(kGuard, '\x5A'))
        std::abort();
    if (good && needed != length + 1) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size >= 3) OneStep(data, size);
    return 0;
}
