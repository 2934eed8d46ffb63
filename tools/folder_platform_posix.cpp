#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <climits>
#include <cstring>

#include "common/posix_owners.h"
#include "tools/folder_platform.h"

namespace karvelin::program {

PathState LookAt(const std::string& path) {
    PathState state;
    struct stat status {};
    if (::lstat(path.c_str(), &status) != 0) return state;
    state.exists = true;
    state.folder = S_ISDIR(status.st_mode);
    if (!state.folder) return state;
    const posix::unique_dir folder(::opendir(path.c_str()));
    if (!folder) return state;
    while (const dirent* entry = ::readdir(folder.get()))
        if (std::strcmp(entry->d_name, ".") != 0 && std::strcmp(entry->d_name, "..") != 0) ++state.entries;
    return state;
}

bool RunsIn(const std::string& folder, std::string& why) {
    // Only to identify it: a folder one may enter but not list opens too.
    const posix::unique_fd asked(::open(folder.c_str(), O_PATH | O_DIRECTORY | O_CLOEXEC));
    struct stat wanted {}, here {};
    if (!asked || ::fstat(asked.get(), &wanted) != 0) {
        why = "cannot be opened as a folder (" + std::string(std::strerror(errno)) + ")";
        return false;
    }
    if (::stat(".", &here) == 0 && here.st_dev == wanted.st_dev && here.st_ino == wanted.st_ino) return true;
    char current[PATH_MAX];
    why = std::string("is not the folder the program runs in, ") +
          (::getcwd(current, sizeof current) ? current : "one it cannot name");
    return false;
}

bool ArgumentsWhole(std::string&) { return true; }

}  // namespace karvelin::program
