#include "net/host_addresses.h"

#include "common/unique_any.h"
#include "net/inet_platform.h"

namespace karvelin::net {

std::int32_t HostAddressRecords(std::string& records, HostLookupPlatform& host) {
    records.clear();
    const bool started = host.StartSockets();
    std::int32_t answer = kSocketError;
    {
        // The name and the lookup are tried either way: the library's own
        // start-up keeps the sockets usable when this one is refused.
        scope_exit cleanup([&] {
            if (started) answer = host.CleanupSockets();
        });
        char name[kHostNameSize] = {};
        if (host.HostName(name, sizeof name)) {
            for (const std::uint32_t address : host.Addresses(name)) {
                std::string record = InetNtoa(address).substr(0, kRecordSize - 1);
                record.resize(kRecordSize - 1, ' ');
                record += '\t';
                records += record;
            }
        }
    }
    return answer;
}

}  // namespace karvelin::net
