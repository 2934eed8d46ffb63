// The host address records and the adapter list through Karvelin.dll, from
// Wine's own sockets, adapter list and device inventory.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "net/device_platform.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kUntouched = 'x';

class NetThroughTheDll : public ::testing::Test {
protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 0), &data), 0);
        buffer_.back() = '\0';
    }
    void TearDown() override { ::WSACleanup(); }
    const LoadedKarvelin dll_;
    std::vector<char> buffer_ = std::vector<char>(65536, kUntouched);
};

TEST_F(NetThroughTheDll, HostRecordsAreTheLookupsAddresses) {
    auto get_host_ip_addr = dll_.Get<int32_t (*)(char*)>("GetHostIPAddr");
    EXPECT_EQ(get_host_ip_addr(buffer_.data()), 0);
    EXPECT_EQ(get_host_ip_addr(nullptr), 0);  // looked up, nothing written

    // The test's own lookup of the host's name.
    char name[256] = {};
    ASSERT_EQ(::gethostname(name, sizeof name), 0);
    std::string expected;
    if (const hostent* host = ::gethostbyname(name))
        for (char** entry = host->h_addr_list; *entry; ++entry) {
            std::string record = ::inet_ntoa(*reinterpret_cast<const in_addr*>(*entry));
            record.resize(15, ' ');
            expected += record + '\t';
        }
    std::printf("GetHostIPAddr: %s has %zu addresses\n", name, expected.size() / 16);
    EXPECT_EQ(std::string(buffer_.data(), expected.size() + 1), expected + kUntouched);
}

TEST_F(NetThroughTheDll, AdapterListIsWellFormed) {
    const auto devices = net::SystemDevices().NetworkDevices();
    std::printf("Device inventory: %s, %zu network devices\n", devices ? "opened" : "not opened",
                devices ? devices->size() : 0);
    auto get_address = dll_.Get<ResultCode (*)(char*)>("GetAddress");
    const ResultCode answer = get_address(buffer_.data());
    if (answer == ERR_ADAPTER_INFO) {
        EXPECT_EQ(buffer_[0], kUntouched);
        GTEST_SKIP() << "Wine lists no adapter on this host";
    }
    ASSERT_EQ(answer, 0u);
    const std::string text = buffer_.data();
    EXPECT_EQ(buffer_[text.size() + 1], kUntouched);
    ASSERT_FALSE(text.empty());
    ASSERT_EQ(text.back(), '\t');
    ASSERT_EQ(std::count(text.begin(), text.end(), '\t') % 5, 0) << text;  // five fields each

    std::istringstream fields(text);
    std::string network, mask, address, adapter, display;
    while (std::getline(fields, network, '\t') && std::getline(fields, mask, '\t') &&
           std::getline(fields, address, '\t') && std::getline(fields, adapter, '\t') &&
           std::getline(fields, display, '\t')) {
        in_addr expected{};
        expected.s_addr = ::inet_addr(address.c_str()) & ::inet_addr(mask.c_str());
        EXPECT_EQ(network, ::inet_ntoa(expected)) << address << " " << mask;
        EXPECT_FALSE(adapter.empty() || display.empty()) << address;
        std::printf("GetAddress: %s | %s | %s | %s | %s\n", network.c_str(), mask.c_str(), address.c_str(),
                    adapter.c_str(), display.c_str());
    }
}

}  // namespace
}  // namespace karvelin::test
