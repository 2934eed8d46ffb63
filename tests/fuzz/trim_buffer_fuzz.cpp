// Fuzzer: the trimming as the Python faces hand it their buffers (Python 3: a
// buffer of any bytes, NUL or not; Python 2.7: the str's bytes and its
// terminating NUL), compared with the rule; guard bytes on both sides stay.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "module/function_table.h"
#include "reference.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const bool python2 = data[0] & 1, left = data[0] & 2;
    std::string buffer(reinterpret_cast<const char*>(data + 1), size - 1);
    if (python2) buffer = buffer.substr(0, buffer.find('\0')) + '\0';

    constexpr std::size_t kGuard = 8;
    std::string block = std::string(kGuard, '\x5A') + buffer + std::string(kGuard, '\x5A');
    TextBuffer text{&block[kGuard], buffer.size()};
    text.last_is_terminator = python2;
    left ? entry::TrimLeft(text) : entry::TrimRight(text);

    const std::string expected = left ? reference::TrimLeft(buffer) : reference::TrimRight(buffer);
    if (text.needed != 0 || block != std::string(kGuard, '\x5A') + expected + std::string(kGuard, '\x5A'))
        std::abort();
    return 0;
}
