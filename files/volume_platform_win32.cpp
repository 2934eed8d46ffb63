#include <windows.h>

#include "files/volume_platform.h"

namespace karvelin::files {
namespace {

class SystemVolumes final : public VolumePlatform {
public:
    bool FileSystemName(const std::string& root, std::string& name, SystemError& error) override {
        char file_system[MAX_PATH] = {};
        DWORD flags = 0;
        if (!::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, file_system,
                                     sizeof file_system)) {
            error = ::GetLastError();
            return false;
        }
        file_system[sizeof file_system - 1] = '\0';
        name = file_system;
        return true;
    }
};

SystemVolumes g_volumes;

}  // namespace

VolumePlatform& SystemVolume() { return g_volumes; }

}  // namespace karvelin::files
