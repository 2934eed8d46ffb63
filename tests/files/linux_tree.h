// The Linux tree tests' helpers: the removal with a home folder given, work
// in a child (as an ordinary user, on a small stack with few descriptors),
// chains deeper than any path, and a snapshot of a folder's entries.
#pragma once

#include <fcntl.h>
#include <grp.h>
#include <pthread.h>
#include <sched.h>
#include <sys/mount.h>
#include <sys/prctl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <string>

#include "common/posix_owners.h"
#include "temp_folder.h"
#include "files/tree_platform_posix.h"
#include "files/tree_removal.h"

namespace karvelin::files {
namespace {

namespace fs = std::filesystem;

constexpr int kSkipped = 77;

// The Linux removal, its home folder given.
void RemoveTreeNoFollow(const char* path, const std::string& home) {
    const auto tree = LinuxTreeWithHome(home);
    TreeRemoval(path, *tree)();
}
constexpr uid_t kNobody = 65534;

// `work` in a forked child: its exit status, or 128 and the signal that ended it.
int InChild(const std::function<int()>& work) {
    const pid_t child = ::fork();
    if (child == 0) ::_exit(work());
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// As an ordinary user: where the suite runs as root, as nobody on `base`
// (and all it holds, unless `only_base`) given to nobody (root would pass
// every permission check).
int AsUser(const fs::path& base, const std::function<void()>& work, bool only_base = false) {
    if (::geteuid() != 0) return InChild([&] { return work(), 0; });
    ::lchown(base.c_str(), kNobody, kNobody);
    for (auto it = fs::recursive_directory_iterator(base); !only_base && it != fs::recursive_directory_iterator(); ++it)
        ::lchown(it->path().c_str(), kNobody, kNobody);
    return InChild([&] {
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0) return kSkipped;
        ::prctl(PR_SET_DUMPABLE, 1);  // its /proc/self its own again, as for any process of the user
        return work(), 0;
    });
}

// `work` in a child with a mount namespace of its own (and a user namespace
// where the suite is no root), `source` bound at `target` in it; kSkipped
// where the system allows neither.
int WithBindMount(const fs::path& source, const fs::path& target, const std::function<void()>& work) {
    const uid_t uid = ::geteuid();
    const gid_t gid = ::getegid();
    return InChild([&] {
        if (::unshare(CLONE_NEWNS) != 0) {
            if (::unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) return kSkipped;
            std::ofstream("/proc/self/setgroups") << "deny";
            std::ofstream("/proc/self/uid_map") << uid << " " << uid << " 1";
            std::ofstream("/proc/self/gid_map") << gid << " " << gid << " 1";
        }
        if (::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0 ||
            ::mount(source.c_str(), target.c_str(), nullptr, MS_BIND, nullptr) != 0)
            return kSkipped;
        return work(), 0;
    });
}

// A stack far too small to hold a frame a level at 10,000 levels (6.5 bytes a
// level, less than a return address), under the sanitizers too.
constexpr std::size_t kSmallStack = 64 << 10;

// On a thread with a small stack, in a process that may open 64 descriptors.
int OnSmallStack(const std::function<void()>& work) {
    return InChild([&] {
        const struct rlimit limit {64, 64};
        pthread_attr_t attributes;
        pthread_t thread;
        if (::setrlimit(RLIMIT_NOFILE, &limit) != 0 || ::pthread_attr_init(&attributes) != 0 ||
            ::pthread_attr_setstacksize(&attributes, kSmallStack) != 0)
            return kSkipped;
        auto run = [](void* w) -> void* { return (*static_cast<const std::function<void()>*>(w))(), nullptr; };
        if (::pthread_create(&thread, &attributes, run, const_cast<std::function<void()>*>(&work)) != 0) return kSkipped;
        return ::pthread_join(thread, nullptr);
    });
}

// `depth` folders "d", each in the one above, made through descriptors (no
// path reaches that deep) and owned by `owner`, with a file in each where
// `files`; the deepest stays open.
posix::unique_fd Chain(const fs::path& top, int depth, uid_t owner = ::geteuid(), bool files = false) {
    fs::create_directory(top);
    posix::unique_fd folder(::open(top.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    for (int level = 0; folder && level < depth; ++level) {
        ::fchown(folder.get(), owner, owner);
        ::mkdirat(folder.get(), "d", 0755);
        if (files) posix::unique_fd(::openat(folder.get(), "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        folder.reset(::openat(folder.get(), "d", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    }
    return folder;
}

// Every entry below `root` but `skip` and what lies under it: type, mode,
// a link's target, a file's content. Links are not followed.
std::map<std::string, std::string> Snapshot(const fs::path& root, const fs::path& skip) {
    std::map<std::string, std::string> entries;
    for (auto it = fs::recursive_directory_iterator(root); it != fs::recursive_directory_iterator(); ++it) {
        if (it->path() == skip) {
            it.disable_recursion_pending();
            continue;
        }
        const fs::file_status status = it->symlink_status();
        std::string& entry = entries[it->path().string()];
        entry = std::to_string(static_cast<int>(status.type())) + " " +
                std::to_string(static_cast<unsigned>(status.permissions()));
        if (status.type() == fs::file_type::symlink) {
            entry += " -> " + fs::read_symlink(it->path()).string();
        } else if (status.type() == fs::file_type::regular) {
            entry += " " + test::Read(it->path());
        }
    }
    return entries;
}

}  // namespace
}  // namespace karvelin::files
