// The Linux removal on real trees, each in a folder of its own: traps that
// must leave everything beside the tree as it was, the home directory and its
// parents refused, the cost of what stays at the bottom.
#include "files/tree_platform_posix.h"
#include "files/tree_removal.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <tuple>

#include "files/linux_tree.h"
#include "files/removal_cases.h"
#include "temp_folder.h"

namespace karvelin::files {
namespace {

class LinuxTree : public test::InTempFolder<fs::path> {
protected:
    LinuxTree() : InTempFolder("tree") {}
    static void Write(const fs::path& file, const std::string& text, fs::perms mode = fs::perms::owner_read) {
        std::ofstream(file) << text;
        fs::permissions(file, mode);
    }
};

// Trees made to trap the removal: each leaves everything beside the tree as
// it was, and the tree gone.
TEST_F(LinuxTree, TrapsLeaveEverythingBesideTheTree) {
    const fs::path outside = base_ / "outside";
    fs::create_directories(outside / "sub");
    Write(outside / "ro.txt", "kept");
    Write(outside / "sub" / "data.bin", std::string("\0\x01\xff", 3), fs::perms::owner_all);
    fs::create_directory(base_ / "tree-sibling");
    const fs::path tree = base_ / "tree";
    auto folders = [&](int depth, fs::perms mode) {
        fs::path folder = tree;
        for (int level = 0; level < depth; ++level, folder /= "d") {
            fs::create_directories(folder);
            Write(folder / "f", "x");
        }
        for (fs::path up = folder.parent_path(); up != base_; up = up.parent_path()) fs::permissions(up, mode);
    };
    using P = fs::perms;
    const std::map<test::FolderMode, P> modes = {
        {test::FolderMode::Plain, P::owner_all},       {test::FolderMode::ReadOnly, P::owner_read | P::owner_exec},
        {test::FolderMode::NoPermissions, P::none},    {test::FolderMode::SearchOnly, P::owner_exec},
        {test::FolderMode::WriteOnly, P::owner_write}, {test::FolderMode::WriteAndSearch, P::owner_write | P::owner_exec}};
    for (const test::RemovalTrap& c : test::kRemovalTraps) {
        if (!(c.faces & test::kLinux)) continue;
        const fs::path removed = c.trap == test::Trap::TopLink        ? base_ / "toplink"
                                 : c.trap == test::Trap::SealedParent ? base_ / "sealed" / "tree"
                                                                      : tree;
        std::vector<fs::path> left;  // under `removed`, what stays
        switch (c.trap) {
        case test::Trap::Folders: folders(c.depth, modes.at(c.folders)); break;
        case test::Trap::FolderLink: folders(c.depth, P::owner_all), fs::create_directory_symlink(outside, tree / "link"); break;
        case test::Trap::FileLink: folders(c.depth, P::owner_all), fs::create_symlink(outside / "ro.txt", tree / "link"); break;
        case test::Trap::TopLink: fs::create_directory_symlink(outside, removed); break;
        case test::Trap::Names:
            for (const char* name : {"tree", "tree/a b", "tree/&%x%^", "tree/\x81\\", "tree/\x95\\ \x95\\"}) {
                fs::create_directories(base_ / name);
                Write(base_ / name / "& %PATH% ^", "x");
            }
            break;
        case test::Trap::Entries:
            for (int folder = 0; folder < 10; ++folder) {
                fs::create_directories(tree / std::to_string(folder));
                for (int file = 0; file < 499; ++file) Write(tree / std::to_string(folder) / std::to_string(file), "");
            }
            break;
        case test::Trap::Chain: case test::Trap::Deep: Chain(tree, c.depth); break;
        case test::Trap::Swap:
            folders(1, P::owner_all);
            fs::create_directory(tree / "d");
            for (int file = 0; file < 2000; ++file) Write(tree / "d" / std::to_string(file), "");
            fs::create_directory_symlink(outside, tree / "link");
            break;
        case test::Trap::Mount:
            fs::create_directories(tree / "sub" / "mnt"), Write(tree / "sub" / "f", "x");
            fs::permissions(tree / "sub", P::owner_read | P::owner_exec | P::group_read);
            fs::permissions(tree, P::owner_exec);
            left = {tree / "sub" / "mnt"};
            break;
        case test::Trap::Mixed:
            for (const char* folder : {"a/b/c", "read-only", ".hidden"}) fs::create_directories(tree / folder);
            for (const char* file : {"a/1", "a/b/c/2", ".profile", "..x", "read-only/3"}) Write(tree / file, "x");
            fs::permissions(tree / "read-only", P::owner_read | P::owner_exec);
            fs::create_directory_symlink(outside, tree / "a" / "dirlink"), fs::create_symlink(outside / "ro.txt", tree / "filelink");
            break;
        case test::Trap::SealedParent:  // the caller may not remove the tree from it: emptied, it stays
            fs::create_directories(removed / "d"), Write(removed / "d" / "f", "x");
            fs::permissions(removed.parent_path(), P::owner_read | P::owner_exec | P::group_read | P::group_exec |
                                                       P::others_read | P::others_exec);
            left = {removed};
            break;
        case test::Trap::Missing: case test::Trap::AFile: break;
        default: ADD_FAILURE() << c.what << ": no Linux trap";
        }
        const auto before = Snapshot(base_, removed);
        std::map<fs::path, fs::perms> kept_modes;  // of the folders above what stays
        for (const fs::path& stays : left)
            for (fs::path up = stays.parent_path(); up.string().size() >= removed.string().size(); up = up.parent_path())
                kept_modes[up] = fs::status(up).permissions();
        std::string given = base_.string() + "/" + c.given;
        std::replace(given.begin(), given.end(), '\\', '/');
        const auto remove = [&] { RemoveTreeNoFollow(given.c_str(), "/nonexistent-home"); };
        int status = 0;
        if (c.trap == test::Trap::Chain || c.trap == test::Trap::Deep) {
            status = OnSmallStack(remove);
        } else if (c.trap == test::Trap::Swap) {
            std::atomic<bool> stop{false};
            std::thread swapper([&] {
                while (!stop) ::renameat2(AT_FDCWD, (tree / "d").c_str(), AT_FDCWD, (tree / "link").c_str(), RENAME_EXCHANGE);
            });
            remove();
            stop = true;
            swapper.join();
            remove();  // what a swap kept from it
        } else if (c.trap == test::Trap::Mount) {
            status = WithBindMount(outside, tree / "sub" / "mnt", remove);
        } else if ((c.folders != test::FolderMode::Plain && c.folders != test::FolderMode::ReadOnly) ||
                   c.trap == test::Trap::SealedParent) {
            status = AsUser(base_, remove);
        } else {
            remove();
        }
        if (status == kSkipped) {
            std::printf("%s: skipped, the system did not allow it (not root?)\n", c.what);
            test::RemoveWholeTree(tree.string());
            continue;
        }
        EXPECT_EQ(status, 0) << c.what;
        EXPECT_EQ(Snapshot(base_, removed), before) << c.what;
        for (const fs::path& stays : left) EXPECT_TRUE(fs::exists(stays)) << c.what << ": " << stays;
        if (c.trap == test::Trap::SealedParent) {
            EXPECT_TRUE(fs::exists(removed) && fs::is_empty(removed)) << c.what;
        }
        for (const auto& [folder, mode] : kept_modes) EXPECT_EQ(fs::status(folder).permissions(), mode) << c.what << ": " << folder;
        if (left.empty()) {
            EXPECT_FALSE(fs::exists(fs::symlink_status(removed))) << c.what;
        }
    }
    const auto before = Snapshot(base_, "");  // the refused paths: everything stays
    for (const test::RefusedPath& c : test::kRefusedPaths) {
        if (!(c.faces & test::kLinuxPath)) continue;
        RemoveTreeNoFollow(c.path, "/nonexistent-home");
        EXPECT_EQ(Snapshot(base_, ""), before) << c.path;
    }
}

TEST_F(LinuxTree, RefusesTheHomeDirectoryAndItsParents) {
    const fs::path home = base_ / "home" / "user", start = fs::current_path();
    fs::create_directories(home / "work");
    fs::create_directory_symlink(home, base_ / "home-link");
    fs::create_directories(base_ / "links");
    fs::create_directory_symlink(base_ / "home-link", base_ / "links" / "l1");  // to a link to the home
    // A home 5,000 levels deep, reached through a link every 1,000 levels.
    Chain(base_ / "deep", 5000);
    std::string thousand;
    for (int level = 0; level < 1000; ++level) thousand += level ? "/d" : "d";
    fs::path deep_home = base_ / "deep-home";
    fs::create_directory_symlink(base_ / "deep" / thousand, deep_home);
    for (int link = 1; link < 5; ++link, deep_home /= "l") ::symlinkat(thousand.c_str(), AT_FDCWD, (deep_home / "l").c_str());
    // real/homes bound at view in the case's mount namespace: no climb from
    // HOME goes through real, but the walk meets the home by its identity.
    fs::create_directories(base_ / "real" / "homes" / "me"), fs::create_directories(base_ / "real" / "other" / "d");
    fs::create_directory(base_ / "view"), Write(base_ / "real" / "homes" / "me" / "keep", "kept");
    const std::string link = (base_ / "home-link").string(), h = home.string();
    const struct {
        std::string home, path;
        fs::path stays, gone = {};  // gone: what goes beside what stays
        bool bound = false;
    } cases[] = {
        {link, "", home / "work"}, {link, h, home / "work"}, {link, h + "/", home / "work"},
        {link, (base_ / "home").string(), home / "work"}, {link, (home / "..").string(), home / "work"},
        {link, (home / "work" / ".." / "..").string(), home / "work"}, {link, link, link},  // HOME's own link
        {link + "/", link, link},
        {(base_ / "links" / "l1").string(), link, link},  // a link on the way
        {(base_ / "links" / "l1").string(), (base_ / "links").string(), base_ / "links" / "l1"},
        {"home/user", h, home / "work"},  // relative to the current folder, the base
        {deep_home.string(), (base_ / "deep").string(), base_ / "deep" / "d"},
        {(base_ / "view" / "me").string(), (base_ / "real").string(), base_ / "real" / "homes" / "me" / "keep",
         base_ / "real" / "other", true},
    };
    fs::current_path(base_);
    for (const auto& c : cases) {
        const auto remove = [&] { RemoveTreeNoFollow(c.path.c_str(), c.home); };
        if (!c.bound) {
            remove();
        } else if (const int status = WithBindMount(base_ / "real" / "homes", base_ / "view", remove); status == kSkipped) {
            std::printf("%s: skipped, no mount namespace\n", c.path.c_str());
            continue;
        }
        EXPECT_TRUE(fs::exists(fs::symlink_status(c.stays))) << c.home << " " << c.path;
        if (!c.gone.empty()) {
            EXPECT_FALSE(fs::exists(c.gone)) << c.home << " " << c.path;
        }
    }
    fs::current_path(start);
    RemoveTreeNoFollow((home / "work").c_str(), h);  // below the home directory: removed
    EXPECT_FALSE(fs::exists(home / "work"));
}

// The fixture's own clean-up, whatever the temporary folder's name holds: a
// read-only folder inside is removed too.
TEST_F(LinuxTree, TheTempFolderGoesWhateverItsParentIsNamed) {
    const char* had = std::getenv("TMPDIR");
    const std::string saved = had ? had : "";
    for (const char* parent : {"plain", "it's", "a \"b\" $(c)"}) {
        fs::create_directory(base_ / parent);
        ::setenv("TMPDIR", (base_ / parent).c_str(), 1);
        fs::path made;
        {
            const test::TempFolder temp("x");
            made = temp.path();
            fs::create_directories(made / "ro" / "d");
            fs::permissions(made / "ro", fs::perms::owner_read | fs::perms::owner_exec);
        }
        EXPECT_FALSE(made.empty() || fs::exists(made)) << parent;
    }
    static_cast<void>(had ? ::setenv("TMPDIR", saved.c_str(), 1) : ::unsetenv("TMPDIR"));
}

// Something at the bottom stays (a folder of root's, for nobody): each folder
// is still listed once, so the time grows with the depth, not its square.
TEST_F(LinuxTree, AnEntryThatStaysAtTheBottom) {
    if (::geteuid() != 0) GTEST_SKIP() << "only root can make a folder that nobody cannot remove";
    double took[2] = {};
    for (int i = 0; i < 2; ++i) {
        const fs::path tree = base_ / ("tree" + std::to_string(i));
        {
            const posix::unique_fd bottom = Chain(tree, 500 << (2 * i), kNobody, true);
            ::fchown(bottom.get(), kNobody, kNobody);
            ::mkdirat(bottom.get(), "root's", 0755);
            const posix::unique_fd kept(::openat(bottom.get(), "root's", O_RDONLY | O_DIRECTORY | O_CLOEXEC));
            const posix::unique_fd file(::openat(kept.get(), "f", O_CREAT | O_WRONLY | O_CLOEXEC, 0644));
        }
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(AsUser(base_, [&] { RemoveTreeNoFollow(tree.c_str(), "/nonexistent-home"); }, true), 0);
        took[i] = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
        EXPECT_TRUE(fs::exists(tree / "d" / "d"));
    }
    std::printf("a folder stays at the bottom: 500 levels %.2f s, 2,000 levels %.2f s: ratio %.1f (4 when linear)\n",
                took[0], took[1], took[1] / took[0]);
}

// Another thread changes the current folder while the removal runs (the
// Python 3 module releases its lock during the call): "me" is resolved once,
// and ".." is refused, so the home directory is never what is emptied.
TEST_F(LinuxTree, TheHomeDirectoryStaysWhileTheCurrentFolderChanges) {
    const fs::path home = base_ / "home" / "me", work = base_ / "work", start = fs::current_path();
    for (const auto& [given, there, here] : {std::tuple{"me", base_ / "home", work}, {"..", home / "sub", work / "x"}}) {
        fs::create_directories(home / "sub");
        Write(home / "keep", "kept");
        std::atomic<bool> stop{false};
        std::atomic<int> flips{0};
        fs::create_directories(work / "x");
        std::thread mover([&, there = there, here = here] {
            for (bool flip = false; !stop; flip = !flip, ++flips) static_cast<void>(::chdir((flip ? there : here).c_str()));
        });
        for (int round = 0; round < 300 && fs::exists(home / "keep"); ++round) {
            fs::create_directories(work / "x"), fs::create_directories(work / "me");
            for (const int seen = flips; flips == seen;) std::this_thread::yield();  // the mover is running
            RemoveTreeNoFollow(given, home.string());
        }
        stop = true;
        mover.join();
        EXPECT_TRUE(fs::exists(home / "keep") && fs::exists(home / "sub")) << given;
    }
    // Made ready, a removal keeps the folder and the home it was made with
    // (here a relative HOME), whatever the current folder is when it runs.
    for (const fs::path& folder : {base_ / "a" / "tree", work / "a" / "tree"}) fs::create_directories(folder);
    const auto tree = LinuxTreeWithHome("home/me");
    fs::current_path(base_);
    const TreeRemoval relative("a/tree", *tree), home_itself(home.c_str(), *tree);
    fs::current_path(work);
    relative(), home_itself();
    EXPECT_FALSE(fs::exists(base_ / "a" / "tree"));
    EXPECT_TRUE(fs::exists(work / "a" / "tree") && fs::exists(home / "keep"));
    fs::current_path(start);
}

}  // namespace
}  // namespace karvelin::files
