// The tree removal's calls on Linux: folders opened relative to their
// folder's descriptor without following a link (O_NOFOLLOW), listed through
// their own descriptor, entries unlinked by name from the folder that holds
// them (unlinkat never follows a link, and without AT_REMOVEDIR never removes
// a folder); nothing below the folder that holds the tree is reached by a
// path. Names are the bytes the listing gives.
#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "common/posix_mode.h"
#include "common/posix_owners.h"
#include "common/system_error.h"
#include "files/tree_platform_posix.h"
#include "files/tree_removal.h"

#ifndef STATX_ATTR_MOUNT_ROOT
#define STATX_ATTR_MOUNT_ROOT 0x00002000
#endif

namespace karvelin::files {
namespace {

using posix::unique_dir;
using posix::unique_fd;

constexpr mode_t kOwnerAll = S_IRWXU;

EntryKind KindOfMode(mode_t mode) {
    return S_ISDIR(mode) ? EntryKind::Folder : S_ISLNK(mode) ? EntryKind::Link : EntryKind::File;
}

// A folder opened for listing where its mode lets the owner read it; else
// opened as a place alone (O_PATH), listed once it has the permission.
unique_fd OpenFolder(int at, const char* name, int flags = O_NOFOLLOW) {
    unique_fd fd(::openat(at, name, O_RDONLY | O_DIRECTORY | O_CLOEXEC | flags));
    if (!fd && errno == EACCES) fd.reset(::openat(at, name, O_PATH | O_DIRECTORY | O_CLOEXEC | flags));
    return fd;
}

class PosixNode final : public TreeNode {
public:
    // What `name` of `at` is (or the object `fd` holds, for an empty name).
    static std::unique_ptr<PosixNode> Described(unique_fd fd, int at, const char* name) {
        struct statx st {};
        const int flags = AT_SYMLINK_NOFOLLOW | (fd ? AT_EMPTY_PATH : 0);
        if (::statx(fd ? fd.get() : at, fd ? "" : name, flags, STATX_TYPE | STATX_MODE | STATX_INO | STATX_NLINK,
                    &st) != 0)
            return nullptr;
        auto node = std::unique_ptr<PosixNode>(new PosixNode(std::move(fd)));
        node->identity_ = {makedev(st.stx_dev_major, st.stx_dev_minor), st.stx_ino};
        node->mode_ = st.stx_mode;
        node->links_ = st.stx_nlink;
        node->mount_root_ = (st.stx_attributes_mask & STATX_ATTR_MOUNT_ROOT) && (st.stx_attributes & STATX_ATTR_MOUNT_ROOT);
        return node;
    }

    // The entry `name` of `at`: a folder is held open; anything else is only
    // told (what it is, its device and inode), since nothing but its folder's
    // unlinkat ever acts on it.
    static std::unique_ptr<PosixNode> Entry(int at, const char* name) {
        unique_fd fd = OpenFolder(at, name);
        if (fd) return Described(std::move(fd), at, name);
        if (errno != ENOTDIR && errno != ELOOP) return nullptr;
        auto node = Described(unique_fd(), at, name);
        return node && !S_ISDIR(node->mode_) ? std::move(node) : nullptr;  // not a folder swapped in meanwhile
    }

    ~PosixNode() override {
        // A folder that stays gets its mode back, as Windows puts back a
        // folder's attributes.
        if (widened_ && !removed_) posix::ChangeModeOf(Fd(), mode_ & 07777);
    }

    EntryKind Kind() override { return KindOfMode(mode_); }
    ObjectIdentity Identity() override { return identity_; }
    std::uint32_t Links() override { return static_cast<std::uint32_t>(links_); }

    void ForEachEntry(const Visit& visit) override {
        if (!S_ISDIR(mode_) || !OpenForListing()) return;
        while (const dirent* found = ::readdir(listing_.get())) {
            ListedEntry entry;
            entry.name = found->d_name;
            entry.file = found->d_ino;
            entry.kind_known = found->d_type != DT_UNKNOWN;
            if (entry.kind_known) entry.kind = KindOfMode(DTTOIF(found->d_type));
            visit(entry);
        }
    }

    std::unique_ptr<TreeNode> OpenChild(const ListedEntry& entry) override {
        if (entry.name.empty() || entry.name.find('/') != std::string::npos) return nullptr;
        // A file or link as listed: its name is all the walk acts on.
        if (entry.kind_known && entry.kind != EntryKind::Folder && entry.file != 0) {
            auto node = std::unique_ptr<PosixNode>(new PosixNode(unique_fd()));
            node->identity_ = {identity_.volume, entry.file};
            node->mode_ = entry.kind == EntryKind::Link ? S_IFLNK : S_IFREG;
            return node;
        }
        auto child = Entry(Fd(), entry.name.c_str());
        // A mount point is another file system's (or another place's, bound
        // here): never entered, never removed.
        if (child && child->mount_root_) {
            errno = EXDEV;  // what the log tells of it
            return nullptr;
        }
        if (!child) return nullptr;
        return child;
    }

    bool DeleteEntry(const std::string& name, TreeNode& entry) override {
        const int flags = entry.Kind() == EntryKind::Folder ? AT_REMOVEDIR : 0;
        bool removed = ::unlinkat(Fd(), name.c_str(), flags) == 0;
        // This folder's mode keeps its owner from removing entries (a level
        // closed and opened again keeps the mode it had): a folder of the
        // tree gets the permission for the walk, and its mode back when it
        // stays. The folder that holds the tree is no part of it: never.
        if (!removed && errno == EACCES && !holds_tree_ && Widen())
            removed = ::unlinkat(Fd(), name.c_str(), flags) == 0;
        if (removed) static_cast<PosixNode&>(entry).removed_ = true;
        return removed;
    }

    int Descriptor() const { return listing_ ? ::dirfd(listing_.get()) : fd_.get(); }
    // Made the folder that holds a tree: its mode is never changed.
    void HoldsTree() { holds_tree_ = true; }

    std::unique_ptr<TreeNode> OpenContainer() override {
        unique_fd fd = OpenFolder(Fd(), "..", 0);
        return fd ? Described(std::move(fd), -1, "") : nullptr;
    }

private:
    explicit PosixNode(unique_fd fd) : fd_(std::move(fd)) {}

    int Fd() const { return Descriptor(); }

    // The owner's permissions, through the object held; false when the
    // system refuses them or they are there already.
    bool Widen() {
        if ((mode_ & kOwnerAll) == kOwnerAll || !posix::ChangeModeOf(Fd(), (mode_ & 07777) | kOwnerAll)) return false;
        widened_ = true;
        return true;
    }

    // The listing, through the object held. A folder its owner cannot list,
    // search or write in gets that permission first: a descriptor opened
    // without read permission (O_PATH) is opened again for reading, and
    // checked to reach this very object.
    bool OpenForListing() {
        Widen();
        unique_fd fd = std::move(fd_);
        if ((::fcntl(fd.get(), F_GETFL) & O_PATH) != 0) {
            unique_fd readable(::openat(fd.get(), ".", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            struct stat st {};
            if (!readable || ::fstat(readable.get(), &st) != 0 || st.st_dev != identity_.volume ||
                st.st_ino != identity_.file) {
                fd_ = std::move(fd);
                return false;
            }
            fd = std::move(readable);
        }
        listing_.reset(::fdopendir(fd.get()));
        if (!listing_) {
            fd_ = std::move(fd);
            return false;
        }
        fd.release();  // the listing owns it now
        return true;
    }

    unique_fd fd_;
    unique_dir listing_;  // once listed: it holds the descriptor
    ObjectIdentity identity_;
    mode_t mode_ = 0;  // as found: what a folder that stays gets back
    nlink_t links_ = 0;  // 0 for what the listing told
    bool mount_root_ = false;
    bool widened_ = false;
    bool removed_ = false;
    bool holds_tree_ = false;
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

std::unique_ptr<PosixNode> Place(int at, const char* name, int flags) {
    unique_fd fd(::openat(at, name, O_PATH | O_CLOEXEC | flags));
    return fd ? PosixNode::Described(std::move(fd), -1, "") : nullptr;
}

// How far the climbs go: symbolic links on the way to the home folder (as
// the system's own resolution allows), and folders above it.
constexpr int kMostLinks = 40;
constexpr long kMostLevels = 1 << 22;

// The folder above `node`, reached from it.
std::unique_ptr<PosixNode> Container(const PosixNode& node) { return Place(node.Descriptor(), "..", O_DIRECTORY); }

// What the link `node` holds; empty when it cannot be read.
std::string LinkText(const PosixNode& node) {
    std::vector<char> text(4096);
    const ssize_t length = ::readlinkat(node.Descriptor(), "", text.data(), text.size());
    return length > 0 && static_cast<std::size_t>(length) < text.size() ? std::string(text.data(), length) : "";
}

// "/", every object on the way to the home folder as `home` spells it (each
// folder, each link, each link's own way), the home folder, and each folder
// above it up to "/". What cannot be reached is not told: a way that stops
// (a folder the caller may not search, too many links, a link that cannot
// be read) keeps what it reached and the folders above it, as far as the
// climb can go;
// what lies beyond cannot be opened by this caller, and so cannot be removed
// by it either. Empty, refusing every removal, only where "/" cannot be told.
std::vector<ObjectIdentity> ProtectedObjects(const std::string& home) {
    const auto root = Place(AT_FDCWD, "/", O_DIRECTORY);
    if (!root) return {};
    const ObjectIdentity top = root->Identity();
    std::vector<ObjectIdentity> kept{top};
    if (home.empty()) return kept;
    std::unique_ptr<PosixNode> folder = Place(AT_FDCWD, home[0] == '/' ? "/" : ".", O_DIRECTORY);
    std::deque<std::string> names;
    const auto add_names = [&names](const std::string& path) {
        std::deque<std::string> more;
        for (std::size_t start = 0; start <= path.size();) {
            const std::size_t end = std::min(path.find('/', start), path.size());
            if (end > start) more.push_back(path.substr(start, end - start));
            start = end + 1;
        }
        names.insert(names.begin(), more.begin(), more.end());
    };
    add_names(home);
    for (int links = 0; folder && !names.empty();) {
        kept.push_back(folder->Identity());
        const std::string name = names.front();
        names.pop_front();
        if (name == ".") continue;
        std::unique_ptr<PosixNode> next = Place(folder->Descriptor(), name.c_str(), O_NOFOLLOW);
        if (!next) break;  // not there, or not to be searched by this caller: what leads to it is kept
        kept.push_back(next->Identity());
        if (next->Kind() == EntryKind::Link) {
            const std::string text = LinkText(*next);
            if (text.empty() || ++links > kMostLinks) break;
            if (text[0] == '/') folder = Place(AT_FDCWD, "/", O_DIRECTORY);
            add_names(text);
        } else if (next->Kind() == EntryKind::Folder) {
            folder = std::move(next);
        } else {
            break;  // a file: the folders that hold it are climbed below
        }
    }
    // A folder this caller may not search has no ".." for it: the climb
    // stops there (from an absolute HOME the way down passed every folder
    // above it; whatever else the climb would have told, the walk meets the
    // home and the way to it by identity).
    for (long level = 0; folder && level < kMostLevels; ++level) {
        if (folder->Identity() == top) break;
        kept.push_back(folder->Identity());
        folder = Container(*folder);
    }
    return kept;
}

class PosixTrees final : public TreePlatform {
public:
    explicit PosixTrees(std::string home) : home_(std::move(home)) {}

    // The path is resolved here, once; the walk goes on from the folder
    // opened, whatever becomes of the current folder meanwhile.
    TreeTarget Resolve(const std::string& path) override {
        std::string text = path;
        while (text.size() > 1 && text.back() == '/') text.pop_back();  // "a/b//" names b itself
        if (text.empty()) return {};
        const std::size_t slash = text.rfind('/');
        const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : text.substr(0, slash);
        TreeTarget target;
        target.name = text.substr(slash == std::string::npos ? 0 : slash + 1);
        std::unique_ptr<PosixNode> parent = Place(AT_FDCWD, folder.c_str(), O_DIRECTORY);
        if (!parent) return target;
        parent->HoldsTree();
        target.parent = std::move(parent);
        target.kept = ProtectedObjects(home_.empty() ? HomeDirectory() : home_);
        return target;
    }

    // Any byte but '/' (and NUL, which no name holds) may be in a name.
    bool IsOwnName(const std::string& name) override {
        return !name.empty() && name != "." && name != ".." && name.find('/') == std::string::npos;
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

PosixTrees g_tree{std::string()};

}  // namespace

TreePlatform& SystemTree() { return g_tree; }

std::string LogName(const EntryName& name) { return name; }

std::string LastSystemError() { return ErrorText(static_cast<SystemError>(errno)); }

std::unique_ptr<TreePlatform> LinuxTreeWithHome(const std::string& home) { return std::make_unique<PosixTrees>(home); }

}  // namespace karvelin::files
