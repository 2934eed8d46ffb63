// The address checks through Karvelin.dll's exports, with Winsock's conversion.
#include <gtest/gtest.h>

#include "net/address_cases.h"
#include "Karvelin.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

TEST(AddressChecksThroughTheDll, AnswerAsOnEveryPlatform) {
    const LoadedKarvelin dll;
    auto validate_ip = dll.Get<int32_t (*)(const char*)>("ValidateTheIP");
    auto validate_net = dll.Get<ResultCode (*)(const char*, const char*, const char*, const char*)>("ValidateNet");
    for (const net::AddressCase& c : net::kAddressCases)
        EXPECT_EQ(validate_ip(c.text), c.acceptable) << '"' << c.text << '"';
    for (const net::NetCase& c : net::kNetCases)
        EXPECT_EQ(validate_net(c.host, c.mask, c.network, c.other), c.expected)
            << c.host << " / " << c.mask << " / " << c.network << " / " << c.other;
}

}  // namespace
}  // namespace karvelin::test
