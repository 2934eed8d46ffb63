// Address texts with the answers every platform's conversion gives them.
#pragma once

#include <cstdint>

#include "Karvelin.h"

namespace karvelin::net {

// Cases that hold for every platform's conversion: the whole text form.
struct AddressCase {
    const char* text;
    std::int32_t acceptable;
};

inline const AddressCase kAddressCases[] = {
    {"192.168.1.10", 1},    {"127.0.0.1", 0},        {"127.0.0.2", 1},     {"0.0.0.0", 0},
    {"0.1.2.3", 1},         {"223.255.255.255", 1},  {"224.0.0.1", 0},     {"239.1.1.1", 0},
    {"240.0.0.1", 0},       {"255.255.255.255", 0},  {"abc", 0},           {"", 0},
    {"3232235777", 1},      // one decimal part: 192.168.1.1
    {"10.1.2.3", 1},
    {"0x7f.1", 0},          // two parts: 127.0.0.1
    {"0xC0.0xA8.1.1", 1},   {"010.0.0.1", 1},        // octal: 8.0.0.1
    {"10.255.255.255", 1},  {"192.168.1.0", 1},      {"1.2.3.256", 0},     {"1.2.3.4.5", 0},
    {"128.0.0.0", 1},       {"191.255.255.255", 1},  {"192.0.0.0", 1},     {"127.255.255.255", 1},
    {"224.0.0.0", 0},       {"0.0.0.1", 1},          {"127.0.0.0", 1},     // either side of each refusal
};

struct NetCase {
    const char* host;
    const char* mask;
    const char* network;
    const char* other;
    ResultCode expected;
};

inline const NetCase kNetCases[] = {
    {"", "255.255.255.0", "192.168.1.0", "192.168.1.1", ERR_NET_IP_EMPTY},
    {"", "", "", "", ERR_NET_IP_EMPTY},  // empty first, before the equal texts
    {"192.168.1.10", "255.255.255.0", "192.168.1.0", "192.168.1.10", ERR_NET_IP_EQUALS_OTHER},
    {"junk", "more junk", "x", "junk", ERR_NET_IP_EQUALS_OTHER},  // texts are compared first
    {"xyz", "garbage", "junk", "xyz", ERR_NET_IP_EQUALS_OTHER},
    {"10.0.0.1", "255.0.0.0", "10.0.0.0", "010.0.0.1", 0},        // different texts
    {"192.168.1.10", "255.255.255.255", "192.168.1.10", "192.168.1.1", ERR_NET_BAD_ADDRESS},
    {"192.168.1.10", "255.255.255.0", "192.168.1.0", "x", ERR_NET_BAD_ADDRESS},
    {"192.168.1.10", "255.255.255.0", "garbage", "192.168.1.1", ERR_NET_BAD_ADDRESS},
    {"300.1.1.1", "255.255.255.0", "192.168.1.0", "192.168.1.1", ERR_NET_BAD_ADDRESS},
    {"192.168.1.10", "255.255.255.0", "192.168.1.0", "192.168.1.1", 0},
    {"192.168.1.10", "255.255.255.0", "192.168.2.0", "192.168.1.1", ERR_NET_SUBNET_MISMATCH},
    {"192.168.1.10", "255.0.255.0", "192.0.1.0", "1.1.1.1", 0},          // non-contiguous mask
    {"10.0.0.5", "255.0.0.0", "10.0.0.0", "10.0.0.0", 0},                // other = network
    {"192.168.1.10", "255.255.255.0", "0xC0.0xA8.1.0", "1.1.1.1", 0},    // network by value
    {"192.168.1.10", "255.255.255.0", "192.168.1.10", "1.1.1.1", ERR_NET_SUBNET_MISMATCH},
};

}  // namespace karvelin::net
