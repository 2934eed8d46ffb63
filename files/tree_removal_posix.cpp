// Linux removes the tree through directory descriptors (openat, unlinkat,
// O_NOFOLLOW): no symbolic link is followed, and a folder swapped for a link
// during the walk is not entered. No command is started.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/posix_owners.h"
#include "files/tree_removal.h"

namespace karvelin::files {
namespace {

using posix::unique_dir;
using posix::unique_fd;

bool SameFile(const struct stat& a, const struct stat& b) { return a.st_dev == b.st_dev && a.st_ino == b.st_ino; }

// `target` is "/", the home directory (or the link that names it), or a
// folder above the home directory.
bool IsHomeOrAbove(const struct stat& target, const std::string& home) {
    struct stat st {};
    if (::stat("/", &st) == 0 && SameFile(st, target)) return true;
    if (home.empty()) return false;
    if (::lstat(home.c_str(), &st) == 0 && SameFile(st, target)) return true;
    std::string folder = home;
    for (int level = 0; level < 4096; ++level) {
        if (::stat(folder.c_str(), &st) != 0) return false;
        if (SameFile(st, target)) return true;
        folder += "/..";
        struct stat parent {};
        if (::stat(folder.c_str(), &parent) != 0 || SameFile(parent, st)) return false;  // "/" reached
    }
    return false;
}

void RemoveDirectoryAt(int parent, const char* name);

// Empties the open directory. Entries are removed while the listing runs, so
// it is read again until a pass removes nothing (some file systems skip
// entries of a directory that changes under its listing).
void RemoveContents(DIR* listing) {
    const int directory = ::dirfd(listing);
    for (bool removed = true; removed;) {
        removed = false;
        while (const dirent* entry = ::readdir(listing)) {
            const char* name = entry->d_name;
            if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
            bool is_directory = entry->d_type == DT_DIR;
            if (entry->d_type == DT_UNKNOWN) {
                struct stat st {};
                is_directory = ::fstatat(directory, name, &st, AT_SYMLINK_NOFOLLOW) == 0 && S_ISDIR(st.st_mode);
            }
            if (is_directory) RemoveDirectoryAt(directory, name);
            removed |= ::unlinkat(directory, name, is_directory ? AT_REMOVEDIR : 0) == 0;
        }
        ::rewinddir(listing);
    }
}

// Empties the directory `name` of `parent`, entered without following a link.
// Its owner is given read, write and search permission first (as Windows
// resets a directory's attributes), which a folder it cannot list needs.
void RemoveDirectoryAt(int parent, const char* name) {
    unique_fd fd(::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC));
    if (!fd) return;  // a link now, or unreadable: the caller's unlinkat decides
    struct stat st {};
    if (::fstat(fd.get(), &st) == 0 && (st.st_mode & S_IRWXU) != S_IRWXU)
        ::fchmod(fd.get(), (st.st_mode & 07777) | S_IRWXU);
    const unique_dir listing(::fdopendir(fd.get()));
    if (!listing) return;
    fd.release();  // the listing owns it now
    RemoveContents(listing.get());
}

std::string HomeDirectory() {
    if (const char* home = std::getenv("HOME"); home && *home) return home;
    struct passwd entry {};
    struct passwd* found = nullptr;
    std::vector<char> buffer(16384);
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found && found->pw_dir)
        return found->pw_dir;
    return std::string();
}

}  // namespace

void RemoveTreeNoFollow(const char* path, const std::string& home) {
    std::string text = path;
    while (text.size() > 1 && text.back() == '/') text.pop_back();  // "a/b//" names b itself
    if (text.empty() || text == "/") return;
    struct stat st {};
    if (::lstat(text.c_str(), &st) != 0 || IsHomeOrAbove(st, home)) return;
    const std::size_t slash = text.rfind('/');
    const std::string parent = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
    const std::string name = text.substr(slash == std::string::npos ? 0 : slash + 1);
    const unique_fd parent_fd(::open(parent.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (!parent_fd) return;
    const bool is_directory = S_ISDIR(st.st_mode);
    if (!is_directory && !S_ISLNK(st.st_mode)) return;  // a file is no tree: it stays, as on Windows
    if (is_directory) RemoveDirectoryAt(parent_fd.get(), name.c_str());
    ::unlinkat(parent_fd.get(), name.c_str(), is_directory ? AT_REMOVEDIR : 0);
}

void DelFilesAndDir(const char* path) { RemoveTreeNoFollow(path, HomeDirectory()); }

}  // namespace karvelin::files
