// Whether a path may serve as the installation directory.
#pragma once

#include <string>

#include "Karvelin.h"
#include "common/lead_bytes.h"
#include "files/volume_platform.h"

namespace karvelin::files {

// 0 for a path on an NTFS volume that names more than the bare drive and has
// no dot; otherwise the code of the first rule it breaks.
ResultCode CheckDestFileDir(const char* path, const LeadBytes& lead_bytes, VolumePlatform& volumes);

}  // namespace karvelin::files
