#include "net/host_addresses.h"

#include "common/log_tell.h"
#include "common/unique_any.h"
#include "net/inet_platform.h"

namespace karvelin::net {
namespace {

constexpr char kFunction[] = "GetHostIPAddr";

void TellFailure(const char* step, SystemError error) {
    log::Tell([&] { log::Failure(kFunction, std::string(step) + ErrorText(error)); });
}

}  // namespace

std::int32_t HostAddressRecords(std::string& records, HostLookupPlatform& host) {
    records.clear();
    SystemError error = 0;
    const bool started = host.StartSockets(&error);
    if (!started) TellFailure("start sockets: ", error);
    std::int32_t answer = kSocketError;
    {
        // The name and the lookup are tried either way: the library's own
        // start-up keeps the sockets usable when this one is refused.
        scope_exit cleanup([&] {
            if (!started) return;
            answer = host.CleanupSockets();
            if (answer != 0) log::Tell([&] { log::Failure(kFunction, "clean up sockets: " + std::to_string(answer)); });
        });
        char name[kHostNameSize] = {};
        error = 0;
        if (!host.HostName(name, sizeof name, &error)) {
            TellFailure("host name: ", error);
        } else {
            error = 0;
            const std::vector<std::uint32_t> addresses = host.Addresses(name, &error);
            log::Tell([&] {
                const std::string line = "look up: " + std::string(name) + ": ";
                if (addresses.empty()) log::Failure(kFunction, line + "no address" + (error ? ", " + ErrorText(error) : ""));
                else log::Step(kFunction, line + std::to_string(addresses.size()) + " addresses");
            });
            for (const std::uint32_t address : addresses) {
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
