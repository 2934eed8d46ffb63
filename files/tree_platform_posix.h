// What the Linux tree seam's tests need of it.
#pragma once

#include <memory>
#include <string>

#include "files/tree_platform.h"

namespace karvelin::files {

// The Linux tree seam with the home folder given (empty: from HOME, or the
// user's entry, read when a removal is made ready).
std::unique_ptr<TreePlatform> LinuxTreeWithHome(const std::string& home);

}  // namespace karvelin::files
