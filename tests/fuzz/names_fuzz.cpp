// Fuzzer: the name checks and the trimming on any text, under no lead bytes
// and under code pages 932 and 936, each answer compared with the plain
// rendering of the rules; never a read or write outside the text.
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "fuzz_input.h"
#include "reference.h"
#include "text/trim_names.h"

using karvelin::test::TextCopy;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const LeadBytes lead = test::LeadBytesFor(data[0]);
    ++data;
    --size;

    const auto text = TextCopy(data, size);
    const std::string plain(text.get());
    if (text::CheckBureauName(text.get(), lead) != reference::CheckBureauName(plain, lead)) std::abort();
    if (text::IsLetterfigureString(text.get()) != reference::IsLetterfigureString(plain)) std::abort();

    // The buffer as given, NUL bytes and all, in a block of its exact size.
    const std::string buffer(reinterpret_cast<const char*>(data), size);
    auto right = TextCopy(data, size);
    text::TrimRight(right.get(), size);
    auto left = TextCopy(data, size);
    text::TrimLeft(left.get(), size);
    if (std::string(right.get(), size) != reference::TrimRight(buffer) ||
        std::string(left.get(), size) != reference::TrimLeft(buffer))
        std::abort();
    return 0;
}
