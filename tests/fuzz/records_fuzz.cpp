// Fuzzer: the record builders of GetHostIPAddr (16-byte records of the host's
// addresses) and GetAddress (five tab-ended fields per adapter, names from
// the device inventory), from made-up lookups, adapter lists and devices,
// compared with the rules.
#include <arpa/inet.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "net/adapter_inventory.h"
#include "net/host_addresses.h"
#include "reference.h"

namespace {

using namespace karvelin;

// Takes values from the input front to back; zeros once it runs out.
class Reader {
public:
    Reader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
    std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
    std::uint32_t Word() { return Byte() | Byte() << 8 | Byte() << 16 | static_cast<std::uint32_t>(Byte()) << 24; }
    std::string Text() {
        std::string text;
        for (std::size_t length = Byte() % 24; length > 0 && at_ < size_; --length) text += static_cast<char>(Byte());
        return text.substr(0, text.find('\0'));
    }
    std::optional<std::string> MaybeText() {
        if (Byte() & 1) return std::nullopt;
        return Text();
    }
    // A dotted address or, now and then, any text.
    std::string Address() {
        if (Byte() % 8 == 0) return Text();
        return reference::Dotted(Word());
    }

private:
    const std::uint8_t* data_;
    std::size_t size_, at_ = 0;
};

class MadeUpHost final : public net::HostLookupPlatform {
public:
    bool started = true, named = true;
    std::int32_t cleanup = 0;
    std::vector<std::uint32_t> addresses;
    bool StartSockets(SystemError*) override { return started; }
    std::int32_t CleanupSockets() override { return cleanup; }
    bool HostName(char* name, std::size_t size, SystemError*) override {
        if (!named || size < 5) return false;
        std::snprintf(name, size, "host");
        return true;
    }
    std::vector<std::uint32_t> Addresses(const char* name, SystemError*) override {
        if (std::string(name) != "host") std::abort();
        return addresses;
    }
};

class MadeUpDevices final : public net::DevicePlatform {
public:
    std::optional<std::vector<net::NetworkDevice>> devices;
    std::optional<std::vector<net::NetworkDevice>> NetworkDevices(SystemError*) override { return devices; }
};

class MadeUpAdapters final : public net::AdapterPlatform {
public:
    std::optional<std::vector<net::AdapterEntry>> adapters;
    std::optional<std::vector<net::AdapterEntry>> Adapters(SystemError*) override { return adapters; }
};

void HostRecords(Reader& in) {
    MadeUpHost host;
    const std::uint8_t flags = in.Byte();
    host.started = flags & 1;
    host.named = flags & 2;
    host.cleanup = flags & 4 ? net::kSocketError : 0;
    for (unsigned count = in.Byte() % 40; count > 0; --count) host.addresses.push_back(in.Word());

    std::string records = "old";
    const std::int32_t answer = net::HostAddressRecords(records, host);
    std::string expected;
    if (host.named)
        for (const std::uint32_t address : host.addresses) {
            std::string record = reference::Dotted(address);
            expected += record + std::string(15 - record.size(), ' ') + '\t';
        }
    if (records != expected || answer != (host.started ? host.cleanup : net::kSocketError)) std::abort();
}

void AdapterList(Reader& in) {
    MadeUpDevices devices;
    MadeUpAdapters adapters;
    // Instance identifiers come from a small set, so that adapters and
    // devices meet.
    const std::string ids[] = {"{A}", "{B}", "{C}", "eth0"};
    if (!(in.Byte() & 1)) {
        devices.devices.emplace();
        for (unsigned count = in.Byte() % 6; count > 0; --count) {
            net::NetworkDevice device;
            device.adapter = (in.Byte() & 1) && (in.Byte() & 7);
            if (in.Byte() & 1) device.instance_id = in.Byte() & 1 ? ids[in.Byte() % 4] : in.Text();
            device.friendly_name = in.MaybeText();
            device.description = in.MaybeText();
            devices.devices->push_back(device);
        }
    }
    if (!(in.Byte() & 1)) {
        adapters.adapters.emplace();
        for (unsigned count = in.Byte() % 6; count > 0; --count) {
            net::AdapterEntry adapter;
            adapter.address = in.Address();
            adapter.mask = in.Address();
            adapter.name = in.Byte() & 1 ? ids[in.Byte() % 4] : in.Text();
            adapter.description = in.Text();
            adapters.adapters->push_back(adapter);
        }
    }

    const std::optional<std::string> text = net::AdapterInventory(adapters, devices, net::SystemInet());

    // The names: for each device that is an adapter and has an identifier,
    // its friendly name, else its description, else the identifier; the
    // later of two with one identifier.
    std::map<std::string, std::string> names;
    for (const net::NetworkDevice& device : devices.devices.value_or(std::vector<net::NetworkDevice>{}))
        if (device.adapter && device.instance_id)
            names[*device.instance_id] = device.friendly_name.value_or(device.description.value_or(*device.instance_id));
    std::optional<std::string> expected;
    if (adapters.adapters && !adapters.adapters->empty()) {
        expected.emplace();
        for (const net::AdapterEntry& adapter : *adapters.adapters) {
            const std::uint32_t network = ::inet_addr(adapter.address.c_str()) & ::inet_addr(adapter.mask.c_str());
            const auto named = names.find(adapter.name);
            // A tab inside a field is written as a blank.
            for (std::string field : {reference::Dotted(network), adapter.mask, adapter.address, adapter.name,
                                      named != names.end() ? named->second : adapter.description}) {
                std::replace(field.begin(), field.end(), '\t', ' ');
                *expected += field + '\t';
            }
        }
        *expected += '\0';
    }
    if (text != expected) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) return 0;
    Reader in(data + 1, size - 1);
    if (data[0] & 1)
        HostRecords(in);
    else
        AdapterList(in);
    return 0;
}
