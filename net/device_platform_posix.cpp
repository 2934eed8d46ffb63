// Linux: the network interfaces of /sys/class/net. The interface name stands
// for the instance identifier; a name set by the administrator (ifalias) is
// the friendly name.
#include <dirent.h>

#include <cerrno>
#include <fstream>

#include "common/unique_any.h"
#include "net/device_platform.h"

namespace karvelin::net {
namespace {

using unique_dir = unique_any<handle_traits<DIR*, &::closedir, 0>>;

constexpr char kInterfaces[] = "/sys/class/net";

// The first line of a small file; nothing when it is absent or empty.
std::optional<std::string> FirstLine(const std::string& path) {
    std::ifstream file(path);
    std::string line;
    if (!std::getline(file, line) || line.empty()) return std::nullopt;
    return line;
}

class SystemDevicePlatform final : public DevicePlatform {
public:
    std::optional<std::vector<NetworkDevice>> NetworkDevices(SystemError* error) override {
        unique_dir folder(::opendir(kInterfaces));
        if (!folder) {
            if (error) *error = errno;
            return std::nullopt;
        }
        std::vector<NetworkDevice> devices;
        while (const dirent* entry = ::readdir(folder.get())) {
            const std::string name = entry->d_name;
            if (name == "." || name == "..") continue;
            const std::string path = std::string(kInterfaces) + "/" + name;
            NetworkDevice& device = devices.emplace_back();
            // A device behind the interface makes it physical; the others
            // (loopback, bridges, tunnels) are virtual.
            const bool physical = static_cast<bool>(unique_dir(::opendir((path + "/device").c_str())));
            device.characteristics = physical ? 0x4u : 0x1u;
            device.instance_id = name;
            device.friendly_name = FirstLine(path + "/ifalias");
        }
        return devices;
    }
};

SystemDevicePlatform g_devices;

}  // namespace

DevicePlatform& SystemDevices() { return g_devices; }

}  // namespace karvelin::net
