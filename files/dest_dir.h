// Whether a path may serve as the installation directory.
#pragma once

#include <string>

#include "Karvelin.h"
#include "module/lead_bytes.h"

namespace karvelin::files {

// The file-system name of a volume, given its root ("D:\").
class VolumeQuery {
public:
    virtual ~VolumeQuery() = default;
    // False when the volume cannot be queried (no such drive, no medium).
    virtual bool FileSystemName(const std::string& root, std::string& name) = 0;
};

// GetVolumeInformationA on Windows; on Linux every query fails.
VolumeQuery& SystemVolumeQuery();

// 0 for a path on an NTFS volume that names more than the bare drive and has
// no dot; otherwise the code of the first rule it breaks.
ResultCode CheckDestFileDir(const char* path, const LeadBytes& lead_bytes, VolumeQuery& volumes);

}  // namespace karvelin::files
