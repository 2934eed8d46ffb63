#include <dirent.h>
#include <sys/stat.h>

#include <cstring>
#include <memory>

#include "tools/folder_platform.h"

namespace karvelin::program {

PathState LookAt(const std::string& path) {
    PathState state;
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return state;
    state.exists = true;
    state.folder = S_ISDIR(status.st_mode);
    if (!state.folder) return state;
    const std::unique_ptr<DIR, int (*)(DIR*)> folder(::opendir(path.c_str()), &::closedir);
    if (!folder) return state;
    while (const dirent* entry = ::readdir(folder.get()))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++state.entries;
    return state;
}

}  // namespace karvelin::program
