// The file-system name of a volume.
#pragma once

#include <string>

namespace karvelin::files {

class VolumePlatform {
public:
    virtual ~VolumePlatform() = default;
    // The file-system name of the volume with the given root ("D:\"); false
    // when the volume cannot be queried (no such drive, no medium).
    virtual bool FileSystemName(const std::string& root, std::string& name) = 0;
};

// GetVolumeInformationA on Windows; on Linux every query fails.
VolumePlatform& SystemVolume();

}  // namespace karvelin::files
