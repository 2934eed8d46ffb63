#include "net/host_addresses.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"

namespace karvelin::net {
namespace {

// An address in network byte order from its four parts.
std::uint32_t Address(unsigned char a, unsigned char b, unsigned char c, unsigned char d) {
    const unsigned char bytes[4] = {a, b, c, d};
    std::uint32_t address = 0;
    std::memcpy(&address, bytes, sizeof address);
    return address;
}

// A host with a given name and addresses; counts the clean-ups and records
// the name looked up.
class FixedHost final : public HostLookupPlatform {
public:
    bool start_succeeds = true;
    std::int32_t cleanup_answer = 0;
    std::optional<std::string> name;
    std::vector<std::uint32_t> addresses;
    int cleanups = 0;
    std::string looked_up;

    // Each failed step tells an error of its own.
    bool StartSockets(SystemError* error) override { return Told(start_succeeds, error, 10091); }
    std::int32_t CleanupSockets() override { return ++cleanups, cleanup_answer; }
    bool HostName(char* buffer, std::size_t size, SystemError* error) override {
        if (!name || name->size() >= size) return Told(false, error, 10093);
        std::memcpy(buffer, name->c_str(), name->size() + 1);
        return true;
    }
    std::vector<std::uint32_t> Addresses(const char* host, SystemError* error) override {
        looked_up = host;
        Told(!addresses.empty(), error, 11001);
        return addresses;
    }
    static bool Told(bool done, SystemError* error, SystemError code) {
        if (!done) *error = code;
        return done;
    }
};

TEST(HostAddressRecords, OneFixedWidthRecordPerAddress) {
    const std::string kLongName(255, 'h');  // cut off by a 32-byte name buffer
    const struct {
        const char* what;
        std::vector<std::uint32_t> addresses;
        std::string records;
        std::optional<std::string> name = "server";
        bool start_succeeds = true;
        std::int32_t cleanup_answer = 0, answer = 0;
        int cleanups = 1;
    } cases[] = {
        {"one address", {Address(192, 168, 1, 10)}, "192.168.1.10   \t"},
        {"15 characters: no blank", {Address(192, 168, 100, 200)}, "192.168.100.200\t"},
        {"two, in lookup order", {Address(10, 0, 0, 1), Address(192, 168, 100, 200)},
         "10.0.0.1       \t192.168.100.200\t"},
        {"the lookup finds nothing", {}, ""},
        {"no host name", {Address(10, 0, 0, 1)}, "", std::nullopt},
        {"a 255-character name is looked up whole", {Address(10, 0, 0, 1)}, "10.0.0.1       \t", kLongName},
        {"a failed clean-up is the answer", {Address(10, 0, 0, 1)}, "10.0.0.1       \t", "server", true,
         kSocketError, kSocketError},
        // The library's start-up of load time is never undone.
        {"a refused start-up: looked up, not cleaned up", {Address(10, 0, 0, 1)}, "10.0.0.1       \t", "server",
         false, 0, kSocketError, 0},
    };
    for (const auto& c : cases) {
        FixedHost host;
        host.name = c.name;
        host.addresses = c.addresses;
        host.start_succeeds = c.start_succeeds;
        host.cleanup_answer = c.cleanup_answer;
        std::string records = "left over";
        test::LogCapture log;
        EXPECT_EQ(HostAddressRecords(records, host), c.answer) << c.what;
        EXPECT_EQ(log.Has("failure GetHostIPAddr: start sockets: error 10091"), !c.start_succeeds) << log.Lines();
        EXPECT_EQ(log.Has("failure GetHostIPAddr: host name: error 10093"), !c.name) << log.Lines();
        EXPECT_EQ(log.Has(": no address, error 11001"), c.name && c.addresses.empty()) << log.Lines();
        EXPECT_EQ(log.Has("clean up sockets: -1"), c.start_succeeds && c.cleanup_answer != 0) << log.Lines();
        EXPECT_EQ(records, c.records) << c.what;
        EXPECT_EQ(host.cleanups, c.cleanups) << c.what;
        EXPECT_EQ(host.looked_up, c.name.value_or("")) << c.what;
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
