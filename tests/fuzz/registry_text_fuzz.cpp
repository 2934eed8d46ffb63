// Fuzzer: registry data of any bytes, any claimed length, in a buffer of any
// size, made a text: the answer and the buffer compared with the rule (the
// data up to its first NUL, else terminated where it ends, else refused and
// cleared); never a byte written outside the buffer.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/registry_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    // The buffer's size and the length the registry reports, then the data.
    const std::size_t buffer_size = data[0], reported = data[1];
    const std::string content(reinterpret_cast<const char*>(data + 2), size - 2);
    constexpr std::size_t kGuard = 8;
    std::string block(kGuard + buffer_size + kGuard, '\x5A');
    const std::string before = content.substr(0, buffer_size) +
                               std::string(buffer_size - std::min(buffer_size, content.size()), '\x7E');
    block.replace(kGuard, buffer_size, before);

    const bool answer = karvelin::TerminateRegistryText(&block[kGuard], buffer_size, reported);

    const std::size_t read = std::min(reported, buffer_size);
    const std::size_t nul = before.find('\0');
    std::string expected = before;
    bool good = true;
    if (buffer_size == 0) {
        good = false;
    } else if (nul != std::string::npos && nul < read) {
    } else if (read < buffer_size) {
        expected[read] = '\0';
    } else {
        good = false;
        expected.assign(buffer_size, '\0');
    }
    if (answer != good || block.compare(kGuard, buffer_size, expected) != 0 ||
        block.substr(0, kGuard) != std::string(kGuard, '\x5A') ||
        block.substr(kGuard + buffer_size) != std::string(kGuard, '\x5A'))
        std::abort();
    // A good answer leaves a text that ends inside the buffer.
    if (good && !std::memchr(&block[kGuard], '\0', buffer_size)) std::abort();
    return 0;
}
