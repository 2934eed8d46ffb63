// What is at a path, as the program sees it before and after DelFilesAndDir.
#pragma once

#include <cstddef>
#include <string>

namespace karvelin::program {

struct PathState {
    bool exists = false;
    bool folder = false;      // a folder itself, not a link to one
    std::size_t entries = 0;  // a folder's entries, "." and ".." aside
};

PathState LookAt(const std::string& path);

}  // namespace karvelin::program
