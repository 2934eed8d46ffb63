// Changing a file's mode through a descriptor of the very object that was
// looked at, never through a name that could be swapped meanwhile.
#pragma once

#include <sys/stat.h>

#include <string>

namespace karvelin::posix {

// /proc/self/fd/N is the object the descriptor holds, not a name anyone can
// swap; it also serves an O_PATH descriptor, which takes no fchmod. False
// where it fails (no /proc, not the owner).
inline bool ChangeModeOf(int fd, mode_t mode) {
    return ::chmod(("/proc/self/fd/" + std::to_string(fd)).c_str(), mode) == 0;
}

}  // namespace karvelin::posix
