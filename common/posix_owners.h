// Owners for the POSIX resources of the Linux build.
#pragma once

#include <dirent.h>
#include <unistd.h>

#include "common/unique_any.h"

namespace karvelin::posix {

using unique_fd = unique_any<handle_traits<int, &::close, -1>>;
using unique_dir = unique_any<handle_traits<DIR*, &::closedir, 0>>;

}  // namespace karvelin::posix
