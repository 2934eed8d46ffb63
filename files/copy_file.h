// CopyTheFile: one file over another, whatever the destination's attributes.
#pragma once

#include <cstdint>

#include "files/copy_platform.h"

namespace karvelin::files {

// Makes the destination overwritable, then copies the source over it: 1 when
// the copy succeeded, 0 otherwise (the destination stays overwritable).
std::int32_t CopyTheFile(const char* source, const char* destination, CopyPlatform& files);

}  // namespace karvelin::files
