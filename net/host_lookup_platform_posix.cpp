// Linux: the host's name and its IPv4 addresses from the resolver.
#include <netdb.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>

#include "common/unique_any.h"
#include "net/host_lookup_platform.h"

namespace karvelin::net {
namespace {

using unique_addrinfo = unique_any<handle_traits<addrinfo*, &::freeaddrinfo, 0>>;

class SystemHostLookupPlatform final : public HostLookupPlatform {
public:
    bool StartSockets(SystemError*) override { return true; }
    std::int32_t CleanupSockets() override { return 0; }
    bool HostName(char* name, std::size_t size, SystemError* error) override {
        if (size == 0 || ::gethostname(name, size) != 0) {
            if (error) *error = size == 0 ? ENAMETOOLONG : errno;
            return false;
        }
        name[size - 1] = '\0';  // a cut name need not be terminated
        return true;
    }
    std::vector<std::uint32_t> Addresses(const char* name, SystemError* error) override {
        std::vector<std::uint32_t> addresses;
        addrinfo hints{};
        hints.ai_family = AF_INET;
        hints.ai_socktype = SOCK_STREAM;  // one answer per address, not one per socket type
        unique_addrinfo found;
        if (const int status = ::getaddrinfo(name, nullptr, &hints, found.put())) {
            // The resolver's own codes are no errno: only a system failure has one.
            if (error) *error = status == EAI_SYSTEM ? errno : 0;
            return addresses;
        }
        for (const addrinfo* entry = found.get(); entry; entry = entry->ai_next)
            if (entry->ai_family == AF_INET && entry->ai_addr)
                addresses.push_back(reinterpret_cast<const sockaddr_in*>(entry->ai_addr)->sin_addr.s_addr);
        return addresses;
    }
};

SystemHostLookupPlatform g_host_lookup;

}  // namespace

HostLookupPlatform& SystemHostLookup() { return g_host_lookup; }

}  // namespace karvelin::net
