#include "net/host_addresses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace karvelin::net {
namespace {

// An address in network byte order from its four parts.
std::uint32_t Address(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char bytes[4] = {a, b, c, d};
    std::uint32_t address = 0;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

// A host with a given name and addresses; records the socket start-ups and
// clean-ups and the name looked up.
class FixedHost final : public HostLookupPlatform {
public:
    bool start_succeeds = true;
    std::int32_t cleanup_answer = 0;
    std::optional<std::string> name = std::string("server");
    std::vector<std::uint32_t> addresses;
    int cleanups = 0;
    std::vector<std::string> looked_up;

    bool StartSockets() override { return start_succeeds; }
    std::int32_t CleanupSockets() override {
        ++cleanups;
        return cleanup_answer;
    }
    bool HostName(char* buffer, std::size_t size) override {
        if (!name || name->size() >= size) return false;
        std::memcpy(buffer, name->c_str(), name->size() + 1);
        return true;
    }
    std::vector<std::uint32_t> Addresses(const char* host) override {
        looked_up.push_back(host);
        return addresses;
    }
};

TEST(HostAddressRecords, OneFixedWidthRecordPerAddress) {
    const struct {
        const char* what;
        std::vector<std::uint32_t> addresses;
        std::string records;
    } cases[] = {
        {"one address", {Address(192, 168, 1, 10)}, "192.168.1.10   \t"},
        {"15 characters: no blank", {Address(192, 168, 100, 200)}, "192.168.100.200\t"},
        {"two, in lookup order",
         {Address(10, 0, 0, 1), Address(192, 168, 100, 200)},
         "10.0.0.1       \t192.168.100.200\t"},
        {"the lookup finds nothing", {}, ""},
    };
    for (const auto& c : cases) {
        FixedHost host;
        host.addresses = c.addresses;
        std::string records = "left over";
        EXPECT_EQ(HostAddressRecords(records, host), 0) << c.what;
        EXPECT_EQ(records, c.records) << c.what;
        EXPECT_EQ(records.size(), kRecordSize * c.addresses.size()) << c.what;
    }
}

TEST(HostAddressRecords, LongHostNamesAreLookedUpWhole) {
    for (const std::size_t length : {31u, 63u, 255u}) {
        FixedHost host;
        host.name = std::string(length, 'h');
        host.addresses = {Address(10, 1, 2, 3)};
        std::string records;
        HostAddressRecords(records, host);
        EXPECT_EQ(host.looked_up, std::vector<std::string>{*host.name}) << length;
        EXPECT_EQ(records, "10.1.2.3       \t") << length;
    }
    FixedHost host;  // no name: no lookup, no records
    host.name.reset();
    host.addresses = {Address(10, 1, 2, 3)};
    std::string records;
    EXPECT_EQ(HostAddressRecords(records, host), 0);
    EXPECT_TRUE(host.looked_up.empty());
    EXPECT_EQ(records, "");
}

// The clean-up pairs this call's own start-up: the library's start-up of load
// time is never undone.
TEST(HostAddressRecords, CleansUpOnlyWhatItStarted) {
    const struct {
        bool start_succeeds;
        std::int32_t cleanup_answer;
        int cleanups;
        std::int32_t answer;
    } cases[] = {
        {true, 0, 1, 0},
        {true, kSocketError, 1, kSocketError},
        {false, 0, 0, kSocketError},
    };
    for (const auto& c : cases) {
        FixedHost host;
        host.start_succeeds = c.start_succeeds;
        host.cleanup_answer = c.cleanup_answer;
        host.addresses = {Address(10, 0, 0, 1)};
        std::string records;
        EXPECT_EQ(HostAddressRecords(records, host), c.answer) << c.start_succeeds;
        EXPECT_EQ(host.cleanups, c.cleanups) << c.start_succeeds;
        EXPECT_EQ(records.size(), kRecordSize) << "looked up all the same";
    }
}

#ifndef _WIN32
// The resolver answers once per address, not once per socket type.
TEST(HostAddressRecords, LinuxLooksUpEachAddressOnce) {
    const auto addresses = SystemHostLookup().Addresses("localhost");
    EXPECT_EQ(std::count(addresses.begin(), addresses.end(), Address(127, 0, 0, 1)), 1);
}
#endif

}  // namespace
}  // namespace karvelin::net
