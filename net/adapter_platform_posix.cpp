// Linux: the interfaces with an IPv4 address, from getifaddrs.
#include <ifaddrs.h>
#include <netinet/in.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>

#include "common/unique_any.h"
#include "net/adapter_platform_posix.h"
#include "net/inet_platform.h"

namespace karvelin::net {
namespace {

using unique_ifaddrs = unique_any<handle_traits<ifaddrs*, &::freeifaddrs, 0>>;

std::uint32_t Address(const sockaddr* address) {
    return address && address->sa_family == AF_INET ? reinterpret_cast<const sockaddr_in*>(address)->sin_addr.s_addr
                                                    : 0;
}

class SystemAdapterPlatform final : public AdapterPlatform {
public:
    std::optional<std::vector<AdapterEntry>> Adapters(SystemError* error) override {
        unique_ifaddrs list;
        if (::getifaddrs(list.put()) != 0) {
            if (error) *error = errno;
            return std::nullopt;
        }
        std::vector<AdapterEntry> adapters = AdapterEntries(list.get());
        if (adapters.empty()) return std::nullopt;
        return adapters;
    }
};

SystemAdapterPlatform g_adapters;

}  // namespace

std::vector<AdapterEntry> AdapterEntries(const ifaddrs* first) {
    std::vector<AdapterEntry> adapters;
    for (const ifaddrs* entry = first; entry; entry = entry->ifa_next) {
        if (!entry->ifa_addr || entry->ifa_addr->sa_family != AF_INET || !entry->ifa_name) continue;
        // A labelled address ("eth0:1") is its interface's: the system's
        // names hold no colon, and it reads an alias's name up to one.
        const std::string label = entry->ifa_name;
        const std::string name = label.substr(0, label.find(':'));
        // An interface's first address alone, as the Windows list gives it.
        if (std::any_of(adapters.begin(), adapters.end(), [&](const AdapterEntry& a) { return a.name == name; }))
            continue;
        adapters.push_back({InetNtoa(Address(entry->ifa_addr)), InetNtoa(Address(entry->ifa_netmask)), name, name});
    }
    return adapters;
}

AdapterPlatform& SystemAdapters() { return g_adapters; }

}  // namespace karvelin::net
