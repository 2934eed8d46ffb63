#include "net/address_validation.h"
#include "net/address_cases.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "log_capture.h"

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

TEST_F(SystemConversion, ValidateTheIPAndValidateNet) {
    for (const AddressCase& c : kAddressCases) {
        test::LogCapture log;
        EXPECT_EQ(ValidateTheIP(c.text, SystemInet()), c.acceptable) << '"' << c.text << '"';
        EXPECT_EQ(log.Has("failure ValidateTheIP: check: " + std::to_string(std::strlen(c.text)) + " characters"),
                  !c.acceptable)
            << log.Lines();
    }
    // Each refusal names its step.
    const std::pair<ResultCode, const char*> kSteps[] = {{ERR_NET_IP_EMPTY, ": check: host address: empty"},
                                                         {ERR_NET_IP_EQUALS_OTHER, ": check: other address"},
                                                         {ERR_NET_BAD_ADDRESS, ": convert: "},
                                                         {ERR_NET_SUBNET_MISMATCH, ": does not fit"}};
    for (const NetCase& c : kNetCases) {
        test::LogCapture net_log;
        EXPECT_EQ(ValidateNet(c.host, c.mask, c.network, c.other, SystemInet()), c.expected)
            << c.host << " / " << c.mask << " / " << c.network << " / " << c.other;
        for (const auto& [code, step] : kSteps)
            EXPECT_EQ(net_log.Has(step), c.expected == code) << net_log.Lines();
    }
}

// The order of the steps, seen through a conversion that records its calls.
class RecordingInet final : public InetPlatform {
public:
    std::vector<std::string> converted;
    std::uint32_t InetAddr(const char* text) override {
        converted.emplace_back(text);
        return std::string(text) == "bad" ? kNoAddress : 0x0100000A;  // 10.0.0.1 in network order
    }
};

TEST(ValidateNetSteps, ConvertsOnlyAfterTheTextTestsAndInArgumentOrder) {
    RecordingInet inet;
    EXPECT_EQ(ValidateNet("a", "b", "c", "a", inet), ERR_NET_IP_EQUALS_OTHER);
    EXPECT_EQ(ValidateNet("", "b", "c", "d", inet), ERR_NET_IP_EMPTY);
    EXPECT_TRUE(inet.converted.empty());

    EXPECT_EQ(ValidateNet("h", "bad", "n", "o", inet), ERR_NET_BAD_ADDRESS);
    EXPECT_EQ(inet.converted, (std::vector<std::string>{"h", "bad", "n", "o"}));
}

// A conversion that answers the given address, as its bytes stand in memory
// (network byte order).
class FixedInet final : public InetPlatform {
public:
    FixedInet(unsigned char a, unsigned char b, unsigned char c, unsigned char d) : bytes_{a, b, c, d} {}
    std::uint32_t InetAddr(const char*) override {
        std::uint32_t value;
        std::memcpy(&value, bytes_, sizeof value);
        return value;
    }

private:
    unsigned char bytes_[4];
};

TEST(ValidateTheIPSteps, ReadsTheConversionInNetworkByteOrder) {
    // Read byte-swapped, these would be 1.0.0.127 and 1.0.0.224, both acceptable.
    FixedInet loopback(127, 0, 0, 1), multicast(224, 0, 0, 1), plain(1, 0, 0, 127);
    EXPECT_EQ(ValidateTheIP("x", loopback), 0);
    EXPECT_EQ(ValidateTheIP("x", multicast), 0);
    EXPECT_EQ(ValidateTheIP("x", plain), 1);
}

}  // namespace
}  // namespace karvelin::net
