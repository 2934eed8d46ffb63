// The host address records and the adapter list through Karvelin.dll, from
// Wine's own sockets, adapter list and device inventory.
#include <winsock2.h>
#include <windows.h>

#include <gtest/gtest.h>

#include <cstdio>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "net/device_platform.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

constexpr char kUntouched = 'x';

// A buffer of `kUntouched` bytes, NUL-terminated at its end.
std::vector<char> Buffer() {
    std::vector<char> buffer(65536, kUntouched);
    buffer.back() = '\0';
    return buffer;
}

std::vector<std::string> SplitAtTabs(const std::string& text) {
    std::vector<std::string> pieces(1);
    for (const char c : text) {
        if (c == '\t')
            pieces.emplace_back();
        else
            pieces.back() += c;
    }
    return pieces;
}

class NetThroughTheDll : public ::testing::Test {
protected:
    void SetUp() override {
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        WSADATA data;
        ASSERT_EQ(::WSAStartup(MAKEWORD(2, 0), &data), 0);
    }
    void TearDown() override { ::WSACleanup(); }
    win32::unique_hmodule dll_;
};

TEST_F(NetThroughTheDll, HostRecordsAreTheLookupsAddresses) {
    auto get_host_ip_addr = Export<int32_t (*)(char*)>(dll_.get(), "GetHostIPAddr");
    ASSERT_NE(get_host_ip_addr, nullptr);
    std::vector<char> buffer = Buffer();
    EXPECT_EQ(get_host_ip_addr(buffer.data()), 0);

    // The test's own lookup of the host's name.
    char name[256] = {};
    ASSERT_EQ(::gethostname(name, sizeof name), 0);
    std::vector<std::string> expected;
    if (const hostent* host = ::gethostbyname(name))
        for (char** entry = host->h_addr_list; *entry; ++entry)
            expected.push_back(::inet_ntoa(*reinterpret_cast<const in_addr*>(*entry)));
    std::printf("GetHostIPAddr: %s has %zu addresses\n", name, expected.size());

    for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string record(buffer.data() + 16 * i, 16);
        EXPECT_EQ(record.substr(0, expected[i].size()), expected[i]) << i;
        EXPECT_EQ(record.substr(expected[i].size()), std::string(15 - expected[i].size(), ' ') + '\t') << i;
    }
    EXPECT_EQ(buffer[16 * expected.size()], kUntouched);
    EXPECT_EQ(get_host_ip_addr(nullptr), 0);  // looked up, nothing written
}

TEST_F(NetThroughTheDll, AdapterListIsWellFormed) {
    auto get_address = Export<ResultCode (*)(char*)>(dll_.get(), "GetAddress");
    ASSERT_NE(get_address, nullptr);
    std::vector<char> buffer = Buffer();
    const ResultCode answer = get_address(buffer.data());
    if (answer == ERR_ADAPTER_INFO) {
        EXPECT_EQ(buffer[0], kUntouched);
        GTEST_SKIP() << "Wine lists no adapter on this host";
    }
    ASSERT_EQ(answer, 0u);
    const std::string text = buffer.data();
    EXPECT_EQ(buffer[text.size() + 1], kUntouched);

    const std::vector<std::string> pieces = SplitAtTabs(text);
    ASSERT_EQ(pieces.size() % 5, 1u) << text;
    EXPECT_EQ(pieces.back(), "");
    for (std::size_t i = 0; i + 1 < pieces.size(); i += 5) {
        const std::string &network = pieces[i], &mask = pieces[i + 1], &address = pieces[i + 2];
        in_addr expected{};
        expected.s_addr = ::inet_addr(address.c_str()) & ::inet_addr(mask.c_str());
        EXPECT_EQ(network, ::inet_ntoa(expected)) << address << " " << mask;
        EXPECT_FALSE(pieces[i + 3].empty()) << "adapter name, adapter " << i / 5;
        EXPECT_FALSE(pieces[i + 4].empty()) << "display name, adapter " << i / 5;
        std::printf("GetAddress: %s | %s | %s | %s | %s\n", network.c_str(), mask.c_str(), address.c_str(),
                    pieces[i + 3].c_str(), pieces[i + 4].c_str());
    }
}

// What Wine's device inventory gives for the network devices.
TEST(DeviceInventory, ShowsWhatTheSystemHas) {
    const auto devices = net::SystemDevices().NetworkDevices();
    std::printf("Device inventory: %s, %zu network devices\n", devices ? "opened" : "cannot be opened",
                devices ? devices->size() : 0);
    if (!devices) return;
    for (const net::NetworkDevice& device : *devices)
        std::printf("  characteristics %s, id %s, friendly name %s, description %s\n",
                    device.characteristics ? std::to_string(*device.characteristics).c_str() : "-",
                    device.instance_id.value_or("-").c_str(), device.friendly_name.value_or("-").c_str(),
                    device.description.value_or("-").c_str());
}

}  // namespace
}  // namespace karvelin::test
