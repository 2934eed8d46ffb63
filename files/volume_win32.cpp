#include <windows.h>

#include "files/dest_dir.h"

namespace karvelin::files {
namespace {

class SystemVolumes final : public VolumeQuery {
public:
    bool FileSystemName(const std::string& root, std::string& name) override {
        char file_system[MAX_PATH] = {};
        DWORD flags = 0;
        if (!::GetVolumeInformationA(root.c_str(), nullptr, 0, nullptr, nullptr, &flags, file_system,
                                     sizeof file_system))
            return false;
        file_system[sizeof file_system - 1] = '\0';
        name = file_system;
        return true;
    }
};

}  // namespace

VolumeQuery& SystemVolumeQuery() {
    static SystemVolumes volumes;
    return volumes;
}

}  // namespace karvelin::files
