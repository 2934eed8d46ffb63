#include <windows.h>
#include <setupapi.h>

#include "common/registry_text.h"
#include "common/win32_owners.h"
#include "net/device_platform.h"

namespace karvelin::net {
namespace {

// The interface class of the network (LAN) devices.
const GUID kNdisLanClass = {0xad498944, 0x762f, 0x11d0, {0x8d, 0xcb, 0x00, 0xc0, 0x4f, 0xc3, 0x35, 0x8c}};

std::optional<std::string> Text(char (&buffer)[kDeviceTextSize], DWORD bytes_read) {
    if (!TerminateRegistryText(buffer, sizeof buffer, bytes_read)) return std::nullopt;
    return std::string(buffer);
}

// A device's driver key: SetupDiOpenDevRegKey answers INVALID_HANDLE_VALUE,
// not NULL, when it fails.
using unique_driver_key = unique_any<handle_traits<HKEY, &::RegCloseKey, -1>>;

// The driver key's two values.
void ReadDriverKey(HDEVINFO set, SP_DEVINFO_DATA& device, NetworkDevice& found) {
    unique_driver_key key(::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, GENERIC_READ));
    if (!key) return;
    DWORD characteristics = 0, size = sizeof characteristics;
    if (::RegQueryValueExA(key.get(), "Characteristics", nullptr, nullptr, reinterpret_cast<BYTE*>(&characteristics),
                           &size) == ERROR_SUCCESS)
        found.characteristics = characteristics;
    char buffer[kDeviceTextSize] = {};
    size = sizeof buffer;
    if (::RegQueryValueExA(key.get(), "NetCfgInstanceId", nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &size) ==
        ERROR_SUCCESS)
        found.instance_id = Text(buffer, size);
}

std::optional<std::string> Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    char buffer[kDeviceTextSize] = {};
    DWORD size = 0;
    if (!::SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, reinterpret_cast<BYTE*>(buffer),
                                             sizeof buffer, &size))
        return std::nullopt;
    return Text(buffer, size);
}

class SystemDevicePlatform final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> NetworkDevices() override {
        win32::unique_hdevinfo set(
            ::SetupDiGetClassDevsA(&kNdisLanClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        if (!set) return std::nullopt;
        std::vector<NetworkDevice> devices;
        SP_DEVINFO_DATA device{};
        device.cbSize = sizeof device;
        for (DWORD index = 0; ::SetupDiEnumDeviceInfo(set.get(), index, &device); ++index) {
            NetworkDevice& found = devices.emplace_back();
            ReadDriverKey(set.get(), device, found);
            found.friendly_name = Property(set.get(), device, SPDRP_FRIENDLYNAME);
            found.description = Property(set.get(), device, SPDRP_DEVICEDESC);
        }
        return devices;
    }
};

SystemDevicePlatform g_devices;

}  // namespace

DevicePlatform& SystemDevices() { return g_devices; }

}  // namespace karvelin::net
