#include "net/adapter_inventory.h"

#include "common/log_tell.h"

namespace karvelin::net {
namespace {

constexpr char kFunction[] = "GetAddress";

// A text of the inventory, when it fits the room the installer gives it.
const std::string* Fitting(const std::optional<std::string>& text) {
    return text && text->size() < kDeviceTextSize ? &*text : nullptr;
}

// A field as a record may carry it: texts read from the system (an interface's
// name or label, a device's description or friendly name) may hold the field
// separator, which would shift every later field; each tab becomes a blank.
std::string Field(std::string text) {
    for (char& c : text)
        if (c == '\t') c = ' ';
    return text;
}

}  // namespace

AdapterNameMap BuildAdapterNameMap(DevicePlatform& devices) {
    AdapterNameMap names;
    SystemError error = 0;
    const auto found = devices.NetworkDevices(&error);
    if (!found) {
        log::Tell([&] { log::Failure(kFunction, "open device inventory: " + ErrorText(error)); });
        return names;
    }
    for (const NetworkDevice& device : *found) {
        if (!device.adapter) continue;
        const std::string* id = Fitting(device.instance_id);
        if (!id) continue;
        const std::string* friendly = Fitting(device.friendly_name);
        const std::string* description = Fitting(device.description);
        names[*id] = friendly ? *friendly : description ? *description : *id;
    }
    log::Tell([&] {
        log::Step(kFunction, "device inventory: " + std::to_string(found->size()) + " devices, " +
                                 std::to_string(names.size()) + " adapters named");
    });
    return names;
}

std::string AdapterListText(const std::vector<AdapterEntry>& adapters, const AdapterNameMap& names,
                            InetPlatform& inet) {
    std::string text;
    for (const AdapterEntry& adapter : adapters) {
        // Not tested for failure: an all-ones mask gives the address itself.
        const std::uint32_t network = inet.InetAddr(adapter.address.c_str()) & inet.InetAddr(adapter.mask.c_str());
        const auto name = names.find(adapter.name);
        for (const std::string& field : {InetNtoa(network), adapter.mask, adapter.address, adapter.name,
                                         name != names.end() ? name->second : adapter.description}) {
            text += Field(field);
            text += '\t';
        }
    }
    return text;
}

std::optional<std::string> AdapterInventory(AdapterPlatform& adapters, DevicePlatform& devices, InetPlatform& inet) {
    SystemError error = 0;
    const auto list = adapters.Adapters(&error);
    if (!list || list->empty()) {
        log::Tell([&] { log::Failure(kFunction, "list adapters: none, " + ErrorText(error)); });
        return std::nullopt;
    }
    log::Tell([&] { log::Step(kFunction, "list adapters: " + std::to_string(list->size()) + " adapters"); });
    std::string output = AdapterListText(*list, BuildAdapterNameMap(devices), inet);
    output += '\0';
    return output;
}

}  // namespace karvelin::net
