// Fuzzer: data of any bytes from a "fill this buffer or say what it takes"
// call, as the registry's, in a buffer of any size, any claimed length. One
// step compared with the rule (filled data is terminated inside the buffer, a
// need is passed on, a claim beyond the offer refused; never a byte written
// outside the buffer), and whole reads compared with the data and its text.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

#include "common/registry_text.h"
#include "common/sized_text.h"

namespace {

using karvelin::Fill;

void OneStep(const std::uint8_t* data, std::size_t size) {
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

// A value read whole, whatever room the first call is offered, unless a call
// fails on the way.
void WholeRead(const std::uint8_t* data, std::size_t size) {
    const std::size_t first_size = data[0];
    const unsigned failing_call = data[1] % 4;  // 3: none
    const std::string value(reinterpret_cast<const char*>(data + 2), size - 2);
    unsigned calls = 0;
    const auto read = karvelin::ReadSizedData(
        [&](void* buffer, std::size_t offered, std::size_t& length) {
            if (calls++ == failing_call) return Fill::kFailed;
            length = value.size();
            if (value.size() > offered) return Fill::kMoreData;
            std::memcpy(buffer, value.data(), value.size());
            return Fill::kDone;
        },
        first_size);
    const std::size_t first_offer = std::max<std::size_t>(first_size, 1) - 1;
    const unsigned honest_calls = value.size() <= first_offer ? 1 : 2;
    const std::optional<std::string> expected =
        failing_call < honest_calls ? std::nullopt : std::optional<std::string>(value);
    if (read != expected || calls != std::min(honest_calls, failing_call + 1)) std::abort();
    if (read && karvelin::TextOfData(*read) != value.substr(0, value.find('\0'))) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 4) return 0;
    if (data[0] & 1)
        OneStep(data + 1, size - 1);
    else
        WholeRead(data + 1, size - 1);
    return 0;
}
