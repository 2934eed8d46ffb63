// Fuzzer: the address checks on any four texts, with the C library's
// conversion; the answers stay within their sets, and a set whose other text
// repeats the host text always answers that first.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "net/address_validation.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace karvelin::net;
    // Four texts separated by NUL bytes.
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

    const std::int32_t one = ValidateTheIP(texts[0].c_str(), SystemInet());
    if (one != 0 && one != 1) std::abort();
    const ResultCode set =
        ValidateNet(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[3].c_str(), SystemInet());
    if (set != 0 && (set < ERR_NET_IP_EMPTY || set > ERR_NET_SUBNET_MISMATCH)) std::abort();
    if (texts[0].empty() != (set == ERR_NET_IP_EMPTY)) std::abort();
    if (!texts[0].empty() &&
        ValidateNet(texts[0].c_str(), texts[1].c_str(), texts[2].c_str(), texts[0].c_str(), SystemInet()) !=
            ERR_NET_IP_EQUALS_OTHER)
        std::abort();
    return 0;
}
