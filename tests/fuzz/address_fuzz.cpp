// Fuzzer: the address checks on any four texts, with the C library's
// conversion, compared with the plain rendering of the rules. The first input
// byte chooses how the texts are made: raw bytes separated by NUL bytes, or
// dotted, one-part and hexadecimal forms of 32-bit values taken from the
// input, so that the fuzzer reaches the edges of the address classes.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/address_validation.h"
#include "reference.h"

namespace {

std::vector<std::string> RawTexts(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            if (texts.size() == 4) break;
            texts.emplace_back();
        } else {
            texts.back() += static_cast<char>(data[i]);
        }
    }
    texts.resize(4);
    return texts;
}

// Per text: one form byte and four octets.
std::vector<std::string> AddressTexts(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> texts;
    for (std::size_t i = 0; i + 5 <= size && texts.size() < 4; i += 5) {
        const unsigned a = data[i + 1], b = data[i + 2], c = data[i + 3], d = data[i + 4];
        char text[40];
        switch (data[i] % 4) {
            case 0: std::snprintf(text, sizeof text, "%u.%u.%u.%u", a, b, c, d); break;
            case 1: std::snprintf(text, sizeof text, "%u", a << 24 | b << 16 | c << 8 | d); break;
            case 2: std::snprintf(text, sizeof text, "0x%x.%u", a, b << 16 | c << 8 | d); break;
            default: std::snprintf(text, sizeof text, "%u.%u.%u", a, b, c << 8 | d); break;
        }
        texts.emplace_back(text);
    }
    texts.resize(4);
    return texts;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin;
    if (size == 0) return 0;
    const std::vector<std::string> texts = data[0] & 1 ? AddressTexts(data + 1, size - 1) : RawTexts(data + 1, size - 1);
    auto& inet = net::SystemInet();
    if (net::ValidateTheIP(texts[0].c_str(), inet) != reference::ValidateTheIP(texts[0])) std::abort();
    if (net::ValidateNet(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), inet) !=
        reference::ValidateNet(texts[0], texts[1], texts[2], texts[3]))
        std::abort();
    return 0;
}
