#include <winsock2.h>

#include <cstring>

#include "net/host_lookup_platform.h"

namespace karvelin::net {
namespace {

class SystemHostLookupPlatform final : public HostLookupPlatform {
public:
    bool StartSockets() override {
        WSADATA data;
        return ::WSAStartup(MAKEWORD(2, 0), &data) == 0;
    }
    std::int32_t CleanupSockets() override { return ::WSACleanup(); }
    bool HostName(char* name, std::size_t size) override {
        return ::gethostname(name, static_cast<int>(size)) == 0;
    }
    std::vector<std::uint32_t> Addresses(const char* name) override {
        std::vector<std::uint32_t> addresses;
        // The answer is the thread's own and lives until its next socket call.
        const hostent* host = ::gethostbyname(name);
        if (!host || host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) return addresses;
        for (char** entry = host->h_addr_list; *entry; ++entry) {
            std::uint32_t address = 0;
            std::memcpy(&address, *entry, sizeof address);
            addresses.push_back(address);
        }
        return addresses;
    }
};

SystemHostLookupPlatform g_host_lookup;

}  // namespace

HostLookupPlatform& SystemHostLookup() { return g_host_lookup; }

}  // namespace karvelin::net
