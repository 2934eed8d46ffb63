// Fuzzer: the name checks and the trimming on any text, under no lead bytes
// and under code pages 932 and 936; never a read or write outside the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "fuzz_input.h"
#include "text/trim_names.h"

using karvelin::test::TextCopy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    ++data;
    --size;

    auto text = TextCopy(data, size);
    const std::size_t length = std::strlen(text.get());
    const ResultCode name = text::CheckBureauName(text.get(), lead);
    const ResultCode figure = text::IsLetterfigureString(text.get());
    if ((name != 0 && name != ERR_BAD_BUREAU_NAME) || (figure != 0 && figure != ERR_NOT_LETTERFIGURE))
        std::abort();
    // Letters and digits only, starting with a letter: a good name too.
    if (figure == 0 && length > 0 && !(text[0] >= '0' && text[0] <= '9') && name != 0) std::abort();

    auto right = TextCopy(data, size);
    text::TrimRight(right.get(), size + 1);
    auto left = TextCopy(data, size);
    text::TrimLeft(left.get(), size + 1);
    if (length < text::kTrimLimit) {
        const std::size_t right_length = std::strlen(right.get()), left_length = std::strlen(left.get());
        if (right_length > 0 && right[right_length - 1] == ' ') std::abort();
        if (left[0] == ' ') std::abort();
        for (std::size_t i = right_length; i < length; ++i)
            if (right[i] != '\0') std::abort();
        if (std::memcmp(left.get(), text.get() + (length - left_length), left_length) != 0) std::abort();
        for (std::size_t i = left_length; i < length; ++i)
            if (left[i] != '\0') std::abort();
    } else if (std::memcmp(right.get(), text.get(), size) != 0 || std::memcmp(left.get(), text.get(), size) != 0) {
        std::abort();
    }
    return 0;
}
