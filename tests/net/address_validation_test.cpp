#include "net/address_validation.h"
#include "net/address_cases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#endif

namespace karvelin::net {
namespace {

class SystemConversion : public ::testing::Test {
protected:
#ifdef _WIN32
    void SetUp() override {
        WSADATA data;
        ::WSAStartup(0x0101, &data);
    }
    void TearDown() override { ::WSACleanup(); }
#endif
};

TEST_F(SystemConversion, ValidateTheIP) {
    for (const AddressCase& c : kAddressCases)
        EXPECT_EQ(ValidateTheIP(c.text, PlatformInetAddr), c.acceptable) << '"' << c.text << '"';
}

TEST_F(SystemConversion, ValidateNet) {
    for (const NetCase& c : kNetCases)
        EXPECT_EQ(ValidateNet(c.host, c.mask, c.network, c.other, PlatformInetAddr), c.expected)
            << c.host << " / " << c.mask << " / " << c.network << " / " << c.other;
}

// The order of the steps, seen through a conversion that records its calls.
std::vector<std::string> g_converted;
std::uint32_t RecordingConversion(const char* text) {
    g_converted.emplace_back(text);
    return std::string(text) == "bad" ? kNoAddress : 0x0100000A;  // 10.0.0.1 in network order
}

TEST(ValidateNetSteps, ConvertsOnlyAfterTheTextTestsAndInArgumentOrder) {
    g_converted.clear();
    EXPECT_EQ(ValidateNet("a", "b", "c", "a", RecordingConversion), ERR_NET_IP_EQUALS_OTHER);
    EXPECT_EQ(ValidateNet("", "b", "c", "d", RecordingConversion), ERR_NET_IP_EMPTY);
    EXPECT_TRUE(g_converted.empty());

    EXPECT_EQ(ValidateNet("h", "bad", "n", "o", RecordingConversion), ERR_NET_BAD_ADDRESS);
    EXPECT_EQ(g_converted, (std::vector<std::string>{"h", "bad", "n", "o"}));
}

// A conversion that answers the given address, as its bytes stand in memory
// (network byte order).
template <unsigned char A, unsigned char B, unsigned char C, unsigned char D>
std::uint32_t Converts(const char*) {
    const unsigned char bytes[4] = {A, B, C, D};
    std::uint32_t value;
    std::memcpy(&value, bytes, sizeof value);
    return value;
}

TEST(ValidateTheIPSteps, ReadsTheConversionInNetworkByteOrder) {
    // Read byte-swapped, these would be 1.0.0.127 and 1.0.0.224, both acceptable.
    EXPECT_EQ(ValidateTheIP("x", Converts<127, 0, 0, 1>), 0);
    EXPECT_EQ(ValidateTheIP("x", Converts<224, 0, 0, 1>), 0);
    EXPECT_EQ(ValidateTheIP("x", Converts<1, 0, 0, 127>), 1);
}

TEST_F(SystemConversion, ExportsTakeNullAsEmpty) {
    EXPECT_EQ(::ValidateTheIP(nullptr), 0);
    EXPECT_EQ(::ValidateNet(nullptr, "255.0.0.0", "10.0.0.0", "10.0.0.1"), ERR_NET_IP_EMPTY);
    EXPECT_EQ(::ValidateNet("10.0.0.1", nullptr, "10.0.0.0", "10.0.0.2"), ERR_NET_BAD_ADDRESS);
}

}  // namespace
}  // namespace karvelin::net
