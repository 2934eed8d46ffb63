#include <winsock2.h>

#include <cstring>

#include "net/host_lookup_platform.h"

namespace karvelin::net {
namespace {

// A step's outcome, its error told when it failed.
bool Told(bool done, SystemError* error, int status) {
    if (!done && error) *error = static_cast<SystemError>(status);
    return done;
}

class SystemHostLookupPlatform final : public HostLookupPlatform {
public:
    bool StartSockets(SystemError* error) override {
        WSADATA data;
        const int status = ::WSAStartup(MAKEWORD(2, 0), &data);
        return Told(status == 0, error, status);
    }
    std::int32_t CleanupSockets() override { return ::WSACleanup(); }
    bool HostName(char* name, std::size_t size, SystemError* error) override {
        const bool named = ::gethostname(name, static_cast<int>(size)) == 0;
        return Told(named, error, ::WSAGetLastError());
    }
    std::vector<std::uint32_t> Addresses(const char* name, SystemError* error) override {
        std::vector<std::uint32_t> addresses;
        // The answer is the thread's own and lives until its next socket call.
        const hostent* host = ::gethostbyname(name);
        if (!Told(host != nullptr, error, ::WSAGetLastError())) return addresses;
        if (host->h_addrtype != AF_INET || host->h_length != 4 || !host->h_addr_list) return addresses;
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
