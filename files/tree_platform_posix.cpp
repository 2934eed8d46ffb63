// The tree removal's calls on Linux: objects opened relative to their
// directory's descriptor without following a link (O_PATH | O_NOFOLLOW),
// listed through a descriptor of their own and unlinked by name from the
// directory that holds them; nothing below the folder that holds the tree is
// reached by a path. Names are bytes: each byte travels in one wchar_t, so no
// conversion can turn a name into another. No command is started.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "common/no_throw.h"
#include "common/posix_mode.h"
#include "common/posix_owners.h"
#include "files/tree_platform.h"
#include "files/tree_removal.h"

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace karvelin::files {
namespace {

using posix::unique_dir;
using posix::unique_fd;

constexpr std::uint32_t kAttributeNormal = 0x80;

std::wstring WideName(const std::string& name) {
    std::wstring wide;
    for (const char c : name) wide += static_cast<wchar_t>(static_cast<unsigned char>(c));
    return wide;
}

// Back to the bytes; false for what no listing of ours gave.
bool NarrowName(const std::wstring& name, std::string& narrow) {
    narrow.clear();
    for (const wchar_t c : name) {
        if (c <= 0 || c > 0xFF) return false;
        narrow += static_cast<char>(c);
    }
    return true;
}

std::uint32_t AttributesOfMode(mode_t mode) {
    return S_ISDIR(mode) ? kAttributeDirectory : S_ISLNK(mode) ? kAttributeReparsePoint : kAttributeNormal;
}

class PosixNode final : public TreeNode {
public:
    // The object `name` of `at`, itself (a link is not followed with
    // O_NOFOLLOW); null when it cannot be opened or told.
    static std::unique_ptr<PosixNode> Open(int at, const char* name, int flags) {
        unique_fd fd(::openat(at, name, O_PATH | O_CLOEXEC | flags));
        return fd ? Described(std::move(fd), "", AT_EMPTY_PATH) : nullptr;
    }

    // The entry `name` of `at`: a folder is held open; anything else is only
    // told (what it is, its device and inode), since nothing but its folder's
    // unlinkat ever acts on it, and that never follows a link.
    static std::unique_ptr<PosixNode> Entry(int at, const char* name) {
        auto node = Described(unique_fd(), name, 0, at);
        if (!node || !S_ISDIR(node->mode_)) return node;
        auto folder = Open(at, name, O_NOFOLLOW | O_DIRECTORY);
        return folder && folder->identity_ == node->identity_ ? std::move(folder) : nullptr;
    }
    bool IsMountRoot() const { return mount_root_; }

    std::uint32_t Attributes() override { return AttributesOfMode(mode_); }
    ObjectIdentity Identity() override { return identity_; }

    void ForEachEntry(const Visit& visit) override {
        if (!S_ISDIR(mode_)) return;
        unique_fd fd = OpenForListing();
        if (!fd) return;
        const unique_dir listing(::fdopendir(fd.get()));
        if (!listing) return;
        fd.release();  // the listing owns it now
        while (const dirent* found = ::readdir(listing.get())) {
            ListedEntry entry{WideName(found->d_name), 0, found->d_ino};
            struct stat st {};
            if (found->d_type != DT_UNKNOWN)
                entry.attributes = AttributesOfMode(DTTOIF(found->d_type));
            else if (::fstatat(::dirfd(listing.get()), found->d_name, &st, AT_SYMLINK_NOFOLLOW) == 0)
                entry.attributes = AttributesOfMode(st.st_mode);
            visit(entry);
        }
    }

    std::unique_ptr<TreeNode> OpenChild(const std::wstring& name) override {
        std::string narrow;
        if (!NarrowName(name, narrow) || narrow.find('/') != std::string::npos) return nullptr;
        auto child = Entry(fd_.get(), narrow.c_str());
        // A mount point is another file system's (or another place's, bound
        // here): never entered, never removed.
        if (!child || child->IsMountRoot()) return nullptr;
        return child;
    }

    // Modes do not keep a file from being unlinked; a folder's own are
    // given when it is listed.
    void ResetAttributes() override {}

    // Never called: an entry is unlinked through the directory that holds it.
    bool Delete() override { return false; }

    bool DeleteEntry(const std::wstring& name, TreeNode& entry) override {
        std::string narrow;
        if (!NarrowName(name, narrow)) return false;
        const int flags = entry.Attributes() == kAttributeDirectory ? AT_REMOVEDIR : 0;
        return ::unlinkat(fd_.get(), narrow.c_str(), flags) == 0;
    }

    std::unique_ptr<TreeNode> OpenContainer() override { return Open(fd_.get(), "..", O_DIRECTORY); }

private:
    explicit PosixNode(unique_fd fd) : fd_(std::move(fd)) {}

    // What `name` of `at` (or of `fd` itself) is.
    static std::unique_ptr<PosixNode> Described(unique_fd fd, const char* name, int flags, int at = -1) {
        struct statx st {};
        if (::statx(fd ? fd.get() : at, name, flags | AT_SYMLINK_NOFOLLOW, STATX_TYPE | STATX_MODE | STATX_INO, &st) != 0)
            return nullptr;
        auto node = std::unique_ptr<PosixNode>(new PosixNode(std::move(fd)));
        node->identity_ = {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino};
        node->mode_ = st.stx_mode;
        node->mount_root_ = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (st.stx_attributes & STATX_ATTR_MOUNT_ROOT);
        return node;
    }

    // A descriptor to list this folder with, checked to reach this very
    // object. A folder its owner cannot list, search or write in gets that
    // permission first, as Windows resets a folder's attributes: through the
    // object held.
    unique_fd OpenForListing() {
        if ((mode_ & S_IRWXU) != S_IRWXU && posix::ChangeModeOf(fd_.get(), (mode_ & 07777) | S_IRWXU)) mode_ |= S_IRWXU;
        unique_fd fd(::openat(fd_.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
        struct stat st {};
        if (!fd || ::fstat(fd.get(), &st) != 0 || st.st_dev != identity_.volume || st.st_ino != identity_.file)
            return unique_fd();
        return fd;
    }

    unique_fd fd_;
    ObjectIdentity identity_;
    mode_t mode_ = 0;
    bool mount_root_ = false;
};

class PosixTrees final : public TreePlatform {
public:
    explicit PosixTrees(std::string home) : home_(std::move(home)) {}

    // The path is resolved here, once; the walk goes on from the folder
    // opened, whatever becomes of the current folder meanwhile.
    std::unique_ptr<TreeNode> OpenParent(const std::string& path, std::wstring& name) override {
        const std::size_t slash = path.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
        name = WideName(path.substr(slash == std::string::npos ? 0 : slash + 1));
        return PosixNode::Open(AT_FDCWD, folder.c_str(), O_DIRECTORY);
    }

    // "/", the link HOME may be, the home directory and each folder above
    // it, reached through "..".
    std::vector<ObjectIdentity> ProtectedObjects(const std::string&) override {
        const auto root = PosixNode::Open(AT_FDCWD, "/", O_DIRECTORY);
        if (!root) return {};
        std::vector<ObjectIdentity> kept{root->Identity()};
        if (home_.empty()) return kept;
        if (const auto link = PosixNode::Open(AT_FDCWD, home_.c_str(), O_NOFOLLOW)) kept.push_back(link->Identity());
        std::unique_ptr<TreeNode> folder = PosixNode::Open(AT_FDCWD, home_.c_str(), O_DIRECTORY);
        for (int level = 0; folder && level < 4096 && !(folder->Identity() == kept.front()); ++level) {
            kept.push_back(folder->Identity());
            folder = folder->OpenContainer();
        }
        return kept;
    }

    void Start(const std::string&) override {}

    // Any byte but '/' (and NUL, which no name holds) may be in a name.
    bool IsOwnName(const std::wstring& name) override {
        return !name.empty() && name != L"." && name != L".." && name.find(L'/') == std::wstring::npos;
    }

    // A quarter of the descriptors the process may open, up to 64: deeper
    // trees are walked with the levels above closed, reopened through "..".
    std::size_t LevelsHeldOpen() override {
        struct rlimit limit {};
        if (::getrlimit(RLIMIT_NOFILE, &limit) != 0) return 8;
        return static_cast<std::size_t>(std::clamp<rlim_t>(limit.rlim_cur / 4, 2, 64));
    }

private:
    std::string home_;
};

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
    if (text.empty()) return;
    PosixTrees tree(home);
    RemoveTreeAt(text, tree);
}

TreeRemoval::TreeRemoval(const char* path) noexcept {
    ready_ = Guard(false, [&] {
        path_ = path ? path : "";
        home_ = HomeDirectory();
        return true;
    });
}

void TreeRemoval::operator()() const noexcept {
    if (ready_) Guard([&] { RemoveTreeNoFollow(path_.c_str(), home_); });
}

void DelFilesAndDir(const char* path) { TreeRemoval{path}(); }

}  // namespace karvelin::files
