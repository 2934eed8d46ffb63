// The file-system name of a volume.
#pragma once

#include <string>

#include "common/system_error.h"

namespace karvelin::files {

class VolumePlatform {
public:
    virtual ~VolumePlatform() = default;
    // The file-system name of the volume with the given root ("D:\"); false
    // when the volume cannot be queried (no such drive, no medium), with the
    // system's error in `error`.
    virtual bool FileSystemName(const std::string& root, std::string& name, SystemError& error) = 0;
};

// GetVolumeInformationA on Windows; on Linux every query fails.
VolumePlatform& SystemVolume();

}  // namespace karvelin::files
