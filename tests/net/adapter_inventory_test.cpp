#include "net/adapter_inventory.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"

#ifdef _WIN32
#include "net/adapter_platform_win32.h"
#else
#include "net/adapter_platform_posix.h"
#endif

#ifdef _WIN32
#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>

#include "net/device_platform_win32.h"
#else
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>

#include "Karvelin.h"
#endif

namespace karvelin::net {
namespace {

class FixedDevices final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> devices;
    std::optional<std::vector<NetworkDevice>> NetworkDevices(SystemError* error) override {
        if (!devices && error) *error = 13;
        return devices;
    }
};

class FixedAdapters final : public AdapterPlatform {
public:
    std::optional<std::vector<AdapterEntry>> adapters;
    std::optional<std::vector<AdapterEntry>> Adapters(SystemError* error) override {
        if (!adapters && error) *error = 232;
        return adapters;
    }
};

NetworkDevice Device(bool adapter, std::optional<std::string> id, std::optional<std::string> friendly = std::nullopt,
                     std::optional<std::string> description = std::nullopt) {
    return {adapter, id, friendly, description};
}

TEST(AdapterNameMap, NamesTheAdaptersOfTheInventory) {
    const struct {
        const char* what;
        std::optional<std::vector<NetworkDevice>> devices;
        AdapterNameMap names;
    } cases[] = {
        {"friendly name over description", {{Device(true, "{A}", "Office LAN", "Fast NIC")}}, {{"{A}", "Office LAN"}}},
        {"description without a friendly name", {{Device(true, "{A}", std::nullopt, "Fast NIC")}}, {{"{A}", "Fast NIC"}}},
        {"neither: the identifier itself", {{Device(true, "{A}")}}, {{"{A}", "{A}"}}},
        {"not an adapter", {{Device(false, "{A}", "Hidden")}}, {}},
        {"no instance identifier", {{Device(true, std::nullopt, "X")}}, {}},
        {"a later duplicate wins",
         {{Device(true, "{A}", "First"), Device(true, "{B}", "Other"), Device(true, "{A}", "Second")}},
         {{"{A}", "Second"}, {"{B}", "Other"}}},
        {"an inventory that cannot be opened", std::nullopt, {}},
        // Texts of 300 characters or more do not fit the installer's room.
        {"identifiers of 299 and 300 characters",
         {{Device(true, std::string(299, 'i'), "Fits"), Device(true, std::string(300, 'j'), "Too long")}},
         {{std::string(299, 'i'), "Fits"}}},
        {"names too long: the next one", {{Device(true, "{A}", std::string(300, 'f'), "Fast NIC")}}, {{"{A}", "Fast NIC"}}},
        {"both names too long", {{Device(true, "{A}", std::string(300, 'f'), std::string(400, 'd'))}}, {{"{A}", "{A}"}}},
    };
    for (const auto& c : cases) {
        FixedDevices devices;
        devices.devices = c.devices;
        test::LogCapture log;
        EXPECT_EQ(BuildAdapterNameMap(devices), c.names) << c.what;
        EXPECT_TRUE(log.Has(c.devices ? "adapters named" : "failure GetAddress: open device inventory: error 13"))
            << log.Lines();
    }
}

const AdapterEntry kOffice{"192.168.1.10", "255.255.255.0", "{A}", "Fast NIC"};

TEST(AdapterInventory, FiveTabEndedFieldsPerAdapterAndOneNul) {
    const struct {
        const char* what;
        std::vector<AdapterEntry> adapters;
        std::optional<std::vector<NetworkDevice>> devices;
        std::string text;
    } cases[] = {
        {"named by the map", {kOffice}, {{Device(true, "{A}", "Office LAN")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tOffice LAN\t"},
        {"not in the map: the description", {kOffice}, {{Device(true, "{B}", "Other")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tFast NIC\t"},
        {"no inventory: the description", {kOffice}, std::nullopt,
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tFast NIC\t"},
        {"all-ones mask: the address itself", {{"10.1.2.3", "255.255.255.255", "{A}", "d"}}, {},
         "10.1.2.3\t255.255.255.255\t10.1.2.3\t{A}\td\t"},
        {"unconfigured", {{"0.0.0.0", "0.0.0.0", "{A}", "d"}}, {}, "0.0.0.0\t0.0.0.0\t0.0.0.0\t{A}\td\t"},
        {"two adapters, back to back", {kOffice, {"10.20.30.40", "255.255.0.0", "{B}", "Wireless"}},
         {{Device(true, "{A}", "Office LAN")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tOffice LAN\t"
         "10.20.0.0\t255.255.0.0\t10.20.30.40\t{B}\tWireless\t"},
        {"a tab read from the system: a blank", {kOffice}, {{Device(true, "{A}", "\tOffice")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\t Office\t"},
    };
    for (const auto& c : cases) {
        FixedAdapters adapters;
        adapters.adapters = c.adapters;
        FixedDevices devices;
        devices.devices = c.devices;
        EXPECT_EQ(AdapterInventory(adapters, devices, SystemInet()), std::optional<std::string>(c.text + '\0'))
            << c.what;
    }
}

TEST(AdapterInventory, NoAdaptersIsNothingToWrite) {
    FixedAdapters adapters;
    FixedDevices devices;
    test::LogCapture log;
    EXPECT_EQ(AdapterInventory(adapters, devices, SystemInet()), std::nullopt);
    EXPECT_TRUE(log.Has("failure GetAddress: list adapters: none, error 232")) << log.Lines();
    adapters.adapters.emplace();
    EXPECT_EQ(AdapterInventory(adapters, devices, SystemInet()), std::nullopt);
}

#ifdef _WIN32
// An adapter by one of the driver key's adapter bits, with others or alone.
TEST(AdapterOfCharacteristics, AnyAdapterBit) {
    const struct {
        std::optional<std::uint32_t> characteristics;
        bool adapter;
    } cases[] = {{0x1, true}, {0x2, true}, {0x4, true}, {0x84, true}, {0x8, false}, {0, false}, {std::nullopt, false}};
    for (const auto& c : cases) EXPECT_EQ(AdapterOfCharacteristics(c.characteristics), c.adapter);
}

// The system's records: an adapter with two addresses shows the first.
std::string Shown(const AdapterEntry& e) { return e.address + " " + e.mask + " " + e.name + " " + e.description; }

TEST(AdapterEntries, FirstAddressOfEachAdapterAlongTheChain) {
    IP_ADAPTER_INFO records[2] = {};
    IP_ADDR_STRING second{};
    std::strcpy(second.IpAddress.String, "10.9.9.9");
    records[0].Next = &records[1];
    records[0].IpAddressList.Next = &second;
    std::strcpy(records[0].AdapterName, "{A}");
    std::strcpy(records[0].Description, "Fast NIC");
    std::strcpy(records[0].IpAddressList.IpAddress.String, "192.168.1.10");
    std::strcpy(records[0].IpAddressList.IpMask.String, "255.255.255.0");
    std::strcpy(records[1].AdapterName, "{B}");
    const auto entries = AdapterEntries(records);
    ASSERT_EQ(entries.size(), 2u);
    EXPECT_EQ(Shown(entries[0]), "192.168.1.10 255.255.255.0 {A} Fast NIC");
    EXPECT_EQ(Shown(entries[1]), "  {B} ");
}
#else
TEST(AdapterEntries, FirstAddressOfEachInterfaceAlongTheList) {  // a labelled one ("lo:7") is lo's
    const char* const names[] = {"lo", "lo:7", "eth0"};
    sockaddr_in addresses[3] = {};
    ifaddrs entries[3] = {};
    for (int i = 0; i < 3; ++i) {
        addresses[i] = {AF_INET, 0, {htonl(0x0a000001u + i)}, {}};
        entries[i] = {i < 2 ? &entries[i + 1] : nullptr, const_cast<char*>(names[i]), 0,
                      reinterpret_cast<sockaddr*>(&addresses[i]), nullptr, {}, nullptr};
    }
    std::string shown;
    for (const AdapterEntry& e : AdapterEntries(entries)) shown += e.address + " " + e.name + " " + e.description + "|";
    EXPECT_EQ(shown, "10.0.0.1 lo lo|10.0.0.3 eth0 eth0|");
}

// Through the export, in a child that is root of user and network namespaces
// of its own (as `unshare -rn` makes it), where one can be made: the alias
// set there names the loopback (/sys shows another namespace's).
TEST(LinkDump, AliasOfTheCallersNamespace) {
    const std::string users = "0 " + std::to_string(::getuid()) + " 1";
    const std::string groups = "0 " + std::to_string(::getgid()) + " 1";
    const pid_t child = ::fork();
    if (child == 0) {
        const auto write = [](const char* file, const std::string& text) {
            return static_cast<bool>(std::ofstream(file) << text << std::flush);
        };
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0 || !write("/proc/self/setgroups", "deny") ||
            !write("/proc/self/uid_map", users) || !write("/proc/self/gid_map", groups) ||
            std::system("PATH=/usr/sbin:/sbin:$PATH; ip link set lo up && ip link set lo alias 'Inner alias'") != 0)
            ::_exit(77);
        std::string buffer(4096, ' ');
        ::_exit(GetAddress(buffer.data()) == 0 && buffer.find("\tlo\tInner alias\t") != std::string::npos ? 0 : 1);
    }
    int status = 1;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    if (WIFEXITED(status) && WEXITSTATUS(status) == 77) GTEST_SKIP() << "no network namespace of its own here";
    EXPECT_EQ(status, 0);
}
#endif

}  // namespace
}  // namespace karvelin::net
