#include <windows.h>
#include <setupapi.h>

#include "common/registry_text.h"
#include "common/registry_platform_win32.h"
#include "common/sized_text.h"
#include "common/win32_owners.h"
#include "net/device_platform.h"
#include "net/device_platform_win32.h"

namespace karvelin::net {
namespace {

// The interface class of the network (LAN) devices.
const GUID kNdisLanClass = {0xad498944, 0x762f, 0x11d0, {0x8d, 0xcb, 0x00, 0xc0, 0x4f, 0xc3, 0x35, 0x8c}};

// A device's driver key: SetupDiOpenDevRegKey answers INVALID_HANDLE_VALUE,
// not NULL, when it fails.
using unique_driver_key = unique_any<handle_traits<HKEY, &::RegCloseKey, -1>>;

// The driver key's two values: its characteristics tell an adapter.
void ReadDriverKey(HDEVINFO set, SP_DEVINFO_DATA& device, NetworkDevice& found) {
    unique_driver_key key(::SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DRV, GENERIC_READ));
    if (!key) return;
    win32::KeyRegistry driver(key.get());
    found.adapter = AdapterOfCharacteristics(driver.ReadNumber("", "Characteristics"));
    found.instance_id = driver.ReadText("", "NetCfgInstanceId");
}

std::optional<std::string> Property(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
    const auto data = ReadSizedData([&](void* buffer, std::size_t offered, std::size_t& length) {
        DWORD required = 0;
        const BOOL read = ::SetupDiGetDeviceRegistryPropertyA(set, &device, property, nullptr, static_cast<BYTE*>(buffer),
                                                              static_cast<DWORD>(offered), &required);
        length = required;
        if (read) return Fill::kDone;
        return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? Fill::kMoreData : Fill::kFailed;
    });
    if (!data) return std::nullopt;
    return TextOfData(*data);
}

class SystemDevicePlatform final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> NetworkDevices(SystemError* error) override {
        win32::unique_hdevinfo set(
            ::SetupDiGetClassDevsA(&kNdisLanClass, nullptr, nullptr, DIGCF_PRESENT | DIGCF_DEVICEINTERFACE));
        if (!set) {
            if (error) *error = ::GetLastError();
            return std::nullopt;
        }
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
