#include "net/adapter_inventory.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#ifdef _WIN32
#include <winsock2.h>
#include <iphlpapi.h>

#include <cstring>
#else
#include <ifaddrs.h>
#include <linux/if_arp.h>
#include <linux/rtnetlink.h>
#include <netinet/in.h>
#include <sched.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <utility>

#include "Karvelin.h"
#endif

namespace karvelin::net {

bool operator==(const NetworkDevice& a, const NetworkDevice& b) {
    return a.characteristics == b.characteristics && a.instance_id == b.instance_id &&
           a.friendly_name == b.friendly_name && a.description == b.description;
}

namespace {

class FixedDevices final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> devices;
    std::optional<std::vector<NetworkDevice>> NetworkDevices() override { return devices; }
};

class FixedAdapters final : public AdapterPlatform {
public:
    std::optional<std::vector<AdapterEntry>> adapters;
    std::optional<std::vector<AdapterEntry>> Adapters() override { return adapters; }
};

NetworkDevice Device(std::optional<std::uint32_t> characteristics, std::optional<std::string> id,
                     std::optional<std::string> friendly = std::nullopt,
                     std::optional<std::string> description = std::nullopt) {
    return {characteristics, id, friendly, description};
}

TEST(AdapterNameMap, NamesTheAdaptersOfTheInventory) {
    const struct {
        const char* what;
        std::optional<std::vector<NetworkDevice>> devices;
        AdapterNameMap names;
    } cases[] = {
        {"friendly name over description", {{Device(0x4, "{A}", "Office LAN", "Fast NIC")}}, {{"{A}", "Office LAN"}}},
        {"description without a friendly name", {{Device(0x4, "{A}", std::nullopt, "Fast NIC")}}, {{"{A}", "Fast NIC"}}},
        {"neither: the identifier itself", {{Device(0x1, "{A}")}}, {{"{A}", "{A}"}}},
        {"no adapter bit: 0x8", {{Device(0x8, "{A}", "Hidden")}}, {}},
        {"an adapter bit with others: 0x84", {{Device(0x84, "{A}", "Shown")}}, {{"{A}", "Shown"}}},
        {"no driver key or no Characteristics", {{Device(std::nullopt, "{A}", "X")}}, {}},
        {"no instance identifier", {{Device(0x4, std::nullopt, "X")}}, {}},
        {"a later duplicate wins",
         {{Device(0x4, "{A}", "First"), Device(0x4, "{B}", "Other"), Device(0x4, "{A}", "Second")}},
         {{"{A}", "Second"}, {"{B}", "Other"}}},
        {"an inventory that cannot be opened", std::nullopt, {}},
        // Texts of 300 characters or more do not fit the installer's room.
        {"identifiers of 299 and 300 characters",
         {{Device(0x4, std::string(299, 'i'), "Fits"), Device(0x4, std::string(300, 'j'), "Too long")}},
         {{std::string(299, 'i'), "Fits"}}},
        {"names too long: the next one", {{Device(0x4, "{A}", std::string(300, 'f'), "Fast NIC")}}, {{"{A}", "Fast NIC"}}},
        {"both names too long", {{Device(0x4, "{A}", std::string(300, 'f'), std::string(400, 'd'))}}, {{"{A}", "{A}"}}},
    };
    for (const auto& c : cases) {
        FixedDevices devices;
        devices.devices = c.devices;
        EXPECT_EQ(BuildAdapterNameMap(devices), c.names) << c.what;
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
        {"named by the map", {kOffice}, {{Device(0x4, "{A}", "Office LAN")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tOffice LAN\t"},
        {"not in the map: the description", {kOffice}, {{Device(0x4, "{B}", "Other")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tFast NIC\t"},
        {"no inventory: the description", {kOffice}, std::nullopt,
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tFast NIC\t"},
        {"all-ones mask: the address itself", {{"10.1.2.3", "255.255.255.255", "{A}", "d"}}, {},
         "10.1.2.3\t255.255.255.255\t10.1.2.3\t{A}\td\t"},
        {"unconfigured", {{"0.0.0.0", "0.0.0.0", "{A}", "d"}}, {}, "0.0.0.0\t0.0.0.0\t0.0.0.0\t{A}\td\t"},
        {"two adapters, back to back", {kOffice, {"10.20.30.40", "255.255.0.0", "{B}", "Wireless"}},
         {{Device(0x4, "{A}", "Office LAN")}},
         "192.168.1.0\t255.255.255.0\t192.168.1.10\t{A}\tOffice LAN\t"
         "10.20.0.0\t255.255.0.0\t10.20.30.40\t{B}\tWireless\t"},
        {"a tab read from the system: a blank", {kOffice}, {{Device(0x4, "{A}", "\tOffice")}},
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
    EXPECT_EQ(AdapterInventory(adapters, devices, SystemInet()), std::nullopt);
    adapters.adapters.emplace();
    EXPECT_EQ(AdapterInventory(adapters, devices, SystemInet()), std::nullopt);
}

#ifdef _WIN32
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

// A message of the routing socket's link dump: a link (type and attributes),
// the dump's end or an error.
std::string Message(std::uint16_t type, std::uint32_t sequence, std::uint16_t link_type = 0,
                    const std::vector<std::pair<std::uint16_t, std::string>>& attributes = {}) {
    std::string body;
    if (type == RTM_NEWLINK) {
        ifinfomsg link{};
        link.ifi_type = link_type;
        body.assign(reinterpret_cast<const char*>(&link), sizeof link);
        for (const auto& [kind, payload] : attributes) {
            const rtattr header{static_cast<std::uint16_t>(RTA_LENGTH(payload.size())), kind};
            body += std::string(reinterpret_cast<const char*>(&header), sizeof header) + payload;
            body.resize(NLMSG_ALIGN(body.size()), '\0');
        }
    } else {
        body.assign(sizeof(nlmsgerr), '\0');
    }
    const nlmsghdr header{static_cast<std::uint32_t>(NLMSG_LENGTH(body.size())), type, 0, sequence, 0};
    return std::string(reinterpret_cast<const char*>(&header), sizeof header) + body;
}

TEST(LinkDump, InterfacesNamedByTheirAliases) {
    const std::string lo = Message(RTM_NEWLINK, 1, ARPHRD_LOOPBACK, {{IFLA_IFNAME, std::string("lo\0", 3)},
                                                                     {IFLA_IFALIAS, "Inner alias"}});
    const std::string eth0 = Message(RTM_NEWLINK, 1, ARPHRD_ETHER, {{IFLA_IFNAME, "eth0"}, {IFLA_IFALIAS, ""}});
    const std::string bridge = Message(RTM_NEWLINK, 1, ARPHRD_ETHER, {{IFLA_LINKINFO, ""}, {IFLA_IFNAME, "br0"}});
    const struct {
        const char* what;
        std::string messages;
        LinkDump part;
        std::vector<NetworkDevice> devices;
    } cases[] = {
        {"aliases, kinds and the end", lo + eth0 + bridge + Message(NLMSG_DONE, 1), LinkDump::End,
         {Device(0x1, "lo", "Inner alias"), Device(0x4, "eth0"), Device(0x1, "br0")}},
        {"the dump goes on", eth0, LinkDump::More, {Device(0x4, "eth0")}},
        {"another sequence's message", Message(RTM_NEWLINK, 2, 0, {{IFLA_IFNAME, "x"}}) + eth0, LinkDump::More,
         {Device(0x4, "eth0")}},
        {"an error", eth0 + Message(NLMSG_ERROR, 1), LinkDump::Failed, {Device(0x4, "eth0")}},
        {"a message cut short", eth0.substr(0, eth0.size() - 4), LinkDump::Failed, {}},
    };
    for (const auto& c : cases) {
        std::vector<NetworkDevice> devices;
        EXPECT_EQ(ReadLinkDump(c.messages.data(), c.messages.size(), 1, devices), c.part) << c.what;
        EXPECT_EQ(devices, c.devices) << c.what;
    }
}

// In a network namespace of its own, the loopback's alias set there names it
// (the system's /sys shows another namespace's interfaces): through the
// export, in a child process, where a namespace can be made.
TEST(LinkDump, AliasOfTheCallersNamespace) {
    const std::string uid = std::to_string(::getuid()), gid = std::to_string(::getgid());
    const pid_t child = ::fork();
    if (child == 0) {
        // Root of a user namespace of its own, as `unshare -rn` makes it.
        const auto write = [](const char* file, const std::string& text) {
            return static_cast<bool>(std::ofstream(file) << text << std::flush);
        };
        if (::unshare(CLONE_NEWUSER | CLONE_NEWNET) != 0 || !write("/proc/self/setgroups", "deny") ||
            !write("/proc/self/uid_map", "0 " + uid + " 1") || !write("/proc/self/gid_map", "0 " + gid + " 1") ||
            std::system("PATH=/usr/sbin:/sbin:$PATH; ip link set lo up && ip link set lo alias 'Inner alias'") != 0)
            ::_exit(77);
        std::string buffer(4096, ' ');
        ::_exit(GetAddress(buffer.data()) == 0 && buffer.find("\tlo\tInner alias\t") != std::string::npos ? 0 : 1);
    }
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    if (WEXITSTATUS(status) == 77) GTEST_SKIP() << "no network namespace of its own here";
    EXPECT_EQ(WEXITSTATUS(status), 0);
}
#endif

}  // namespace
}  // namespace karvelin::net
