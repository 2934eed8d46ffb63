// DelFilesAndDir through Karvelin.dll against trees made to trap it: each
// case snapshots everything beside the tree (names, attributes and a hash of
// each file's content), removes the tree, waits for the commands it started,
// and compares. Run in the throwaway prefix of scripts/wine-run.sh, in a
// folder of its own under the temporary folder, made the current folder (so
// that a path read against the current drive stays in the prefix).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "Karvelin.h"
#include "files/removal_cases.h"
#include "temp_folder.h"
#include "files/win32_files.h"

namespace karvelin::test {
namespace {

using RemoveFunction = void (*)(const char*);

// Wine's Unix name of a Windows path; empty where there is none.
std::string UnixName(const wchar_t* path) {
    using Function = char*(CDECL*)(LPCWSTR);
    const auto function = Export<Function>(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    char* name = function ? function(path) : nullptr;
    const std::string text = name ? name : "";
    if (name) ::HeapFree(::GetProcessHeap(), 0, name);
    return text;
}

class RemovalTraps : public InTempFolder<> {
protected:
    RemovalTraps() : InTempFolder("traps") {}
    void SetUp() override {
        InTempFolder::SetUp();
        ::GetCurrentDirectoryA(MAX_PATH, saved_directory_);
        ::SetCurrentDirectoryA(base_.c_str());
        // Beside the tree: what must stay, byte for byte.
        for (const char* folder : {"\\outside", "\\outside\\sub", "\\tree-sibling"})
            ::CreateDirectoryA((base_ + folder).c_str(), nullptr);
        Write(base_ + "\\outside\\kept.txt", "kept", FILE_ATTRIBUTE_READONLY);
        Write(base_ + "\\outside\\sub\\data.bin", std::string("\0\x01\xff", 3), FILE_ATTRIBUTE_HIDDEN);
        Write(base_ + "\\tree-sibling\\x", "sibling");
        Write(base_ + "\\tree.txt", "a file named like the tree");
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        remove_ = Export<RemoveFunction>(dll_.get(), "DelFilesAndDir");
        ASSERT_NE(remove_, nullptr);
    }
    void TearDown() override {
        WaitForRemovalCommands();
        ::SetCurrentDirectoryA(saved_directory_);
    }

    // Removes the tree given as `given` (below the base); answers whether
    // everything beside `tree` stayed as it was and the tree is gone.
    void ExpectRemovedAlone(const std::string& tree, const std::string& given) {
        const auto before = Snapshot(base_, "\\" + tree);
        ASSERT_NE(::GetFileAttributesA((base_ + "\\" + tree).c_str()), INVALID_FILE_ATTRIBUTES) << tree;
        RemoveAndWait(base_ + "\\" + given);
        EXPECT_EQ(Snapshot(base_, "\\" + tree), before) << given;
        EXPECT_EQ(::GetFileAttributesA((base_ + "\\" + tree).c_str()), INVALID_FILE_ATTRIBUTES) << given;
    }

    void RemoveAndWait(const std::string& path) {
        remove_(path.c_str());
        WaitForRemovalCommands();
    }

    win32::unique_hmodule dll_;
    RemoveFunction remove_ = nullptr;
    char saved_directory_[MAX_PATH] = {};
    // The trees removal_traps_wine.sh made, as Wine names them; empty unless it runs the test.
    const char* made_ = std::getenv("KARVELIN_LINK_TREE");
    const std::string root_ = made_ ? std::string("Z:") + made_ : "";
    const std::string saved_home_ = [] {
        char home[4096] = {};
        const DWORD length = ::GetEnvironmentVariableA("WINEHOMEDIR", home, sizeof home);
        return std::string(home, length < sizeof home ? length : 0);
    }();
};

// The traps the test makes itself, each face of the table's rows its own way.
TEST_F(RemovalTraps, TrapsLeaveEverythingBesideTheTree) {
    for (const RemovalTrap& c : kRemovalTraps) {
        if (!(c.faces & kWine)) continue;
        const std::string tree = base_ + "\\tree";
        if (c.trap == Trap::Names) {
            std::vector<std::string> names = {"tree & co", "100% ^x", "a b&c", "%PATH%", "^&^", "x ^"};
            // Code page 936: characters whose second byte is 0x5C, the backslash.
            if (::GetACP() == 936) names.insert(names.end(), {"\x81\x5C", "tree\x95\x5C", "\x95\x5C\x95\x5C x"});
            for (const std::string& name : names) {
                const std::string named = base_ + "\\" + name;
                ASSERT_TRUE(::CreateDirectoryA(named.c_str(), nullptr)) << name;
                ::CreateDirectoryA((named + "\\" + name).c_str(), nullptr);
                Write(named + "\\" + name + "\\" + name + ".txt", name);
                Write(named + "\\%TEMP%&^.txt", name, FILE_ATTRIBUTE_READONLY);
                ExpectRemovedAlone(name, name);
            }
            continue;
        }
        if (c.trap == Trap::Folders) {
            std::string folder = tree;
            for (int level = 0; level < c.depth; ++level, folder += "\\d") {
                ASSERT_TRUE(::CreateDirectoryA(folder.c_str(), nullptr)) << c.what << " " << level;
                Write(folder + "\\f.txt", "x", FILE_ATTRIBUTE_READONLY);
            }
            for (std::string up = folder.substr(0, folder.rfind('\\')); up.size() >= tree.size();
                 up = up.substr(0, up.rfind('\\')))
                if (c.folders == FolderMode::ReadOnly)
                    ::SetFileAttributesA(up.c_str(), FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
        } else if (c.trap == Trap::Entries) {
            ::CreateDirectoryA(tree.c_str(), nullptr);
            for (int folder = 0; folder < 10; ++folder) {
                const std::string sub = tree + "\\" + std::to_string(folder);
                ::CreateDirectoryA(sub.c_str(), nullptr);
                for (int file = 0; file < 499; ++file)  // empty, made in one call each
                    win32::unique_hfile(::CreateFileA((sub + "\\" + std::to_string(file)).c_str(), GENERIC_WRITE, 0,
                                                      nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
            }  // 10 folders and 4,990 files
        } else if (c.trap == Trap::Deep) {
            // Deeper than any ANSI path reaches: made through the verbatim Unicode form.
            std::wstring folder = L"\\\\?\\" + std::wstring(tree.begin(), tree.end());  // ASCII
            for (int level = 0; level < 24; ++level, folder += L"\\" + std::wstring(20, static_cast<wchar_t>('a' + level))) {
                ASSERT_TRUE(::CreateDirectoryW(folder.c_str(), nullptr)) << level;
                const win32::unique_hfile file(::CreateFileW((folder + L"\\f.txt").c_str(), GENERIC_WRITE, 0, nullptr,
                                                             CREATE_NEW, FILE_ATTRIBUTE_READONLY, nullptr));
                ASSERT_TRUE(file) << level;
            }
            ASSERT_GT(folder.size(), 500u);
        } else {
            ADD_FAILURE() << c.what << ": no trap made here";
        }
        ExpectRemovedAlone("tree", c.given);
    }
}

// Attributes belong to the file, not to a name: a file outside the tree that
// the tree holds another name of keeps its attributes when that name goes. A
// read-only file with other names goes only where the system can delete it
// without a reset (Windows 10); under Wine it stays, and so does the tree,
// with no commands. A name another program holds open without delete sharing
// stays, and keeps the commands from starting (the system's ATTRIB would
// reset the outside file).
TEST_F(RemovalTraps, HardLinksToFilesOutside) {
    constexpr DWORD kHiddenSystem = FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;
    Write(base_ + "\\outside\\hs.txt", "hidden, system", kHiddenSystem);
    Write(base_ + "\\outside\\held.txt", "held", kHiddenSystem);
    const struct {
        std::vector<std::pair<std::string, std::string>> links;  // in the tree, outside
        const char* may_stay;  // the one name that may be left in the tree
        bool held;             // the first link held open, and a read-only file beside
    } cases[] = {
        {{{"\\kept", "\\outside\\kept.txt"}, {"\\sub\\hs", "\\outside\\hs.txt"}, {"\\sub\\data", "\\outside\\sub\\data.bin"}},
         "\\kept", false},
        {{{"\\held.txt", "\\outside\\held.txt"}}, "\\held.txt", true},
    };
    for (const auto& c : cases) {
        const std::string tree = base_ + "\\tree";
        ::CreateDirectoryA(tree.c_str(), nullptr);
        ::CreateDirectoryA((tree + "\\sub").c_str(), nullptr);
        if (c.held) Write(tree + "\\sub\\f", "x", FILE_ATTRIBUTE_READONLY);
        for (const auto& [name, outside] : c.links)
            ASSERT_TRUE(::CreateHardLinkA((tree + name).c_str(), (base_ + outside).c_str(), nullptr)) << name;
        const auto before = Snapshot(base_, "\\tree");
        {
            const win32::unique_hfile open(c.held ? ::CreateFileA((tree + c.links[0].first).c_str(), GENERIC_READ,
                                                                  FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                                                  OPEN_EXISTING, 0, nullptr)
                                                  : INVALID_HANDLE_VALUE);
            ASSERT_EQ(static_cast<bool>(open), c.held);
            RemoveAndWait(tree);
        }
        EXPECT_EQ(Snapshot(base_, "\\tree"), before) << c.may_stay;
        std::map<std::string, std::string> left;
        Snapshot(tree, "", "", left);
        EXPECT_TRUE(left.empty() || (left.size() == 1 && left.begin()->first == c.may_stay)) << left.size();
        RemoveAll(tree);
    }
}

// The refused paths: everything stays, in the base and in the prefix.
TEST_F(RemovalTraps, EmptyBackslashesAndDriveRootsAreRefused) {
    ::CreateDirectoryA((base_ + "\\tree").c_str(), nullptr);
    Write(base_ + "\\tree\\f.txt", "x");
    const auto before = Snapshot(base_, "");
    for (const RefusedPath& refused : kRefusedPaths) {
        if (!(refused.faces & kBesideATree)) continue;
        RemoveAndWait(refused.path);
        EXPECT_EQ(Snapshot(base_, ""), before) << refused.path;
    }
    // Under Wine the Unix home (WINEHOMEDIR) and the folders above it: here
    // the tree, made the home for the call.
    const std::wstring wide_tree(base_.begin(), base_.end());  // ASCII
    if (const std::string home = UnixName((wide_tree + L"\\tree").c_str()); !home.empty()) {
        char saved[4096] = {};
        const DWORD had = ::GetEnvironmentVariableA("WINEHOMEDIR", saved, sizeof saved);
        ::SetEnvironmentVariableA("WINEHOMEDIR", ("\\??\\unix" + home).c_str());
        for (const std::string& path : {base_ + "\\tree", base_ + "\\tree\\..", base_ + "\\tree\\"}) {
            RemoveAndWait(path);
            EXPECT_EQ(Snapshot(base_, ""), before) << path;
        }
        ::SetEnvironmentVariableA("WINEHOMEDIR", had ? saved : nullptr);
    }
    char windows[MAX_PATH] = {};
    ::GetSystemWindowsDirectoryA(windows, MAX_PATH);
    EXPECT_NE(::GetFileAttributesA((std::string(windows) + "\\system32\\kernel32.dll").c_str()),
              INVALID_FILE_ATTRIBUTES);
    // The profile folder, in this prefix a plain folder (its own folders
    // are no links into the host's home): refused, everything in it stays.
    char profile[MAX_PATH] = {};
    ASSERT_NE(::GetEnvironmentVariableA("USERPROFILE", profile, MAX_PATH), 0u);
    const auto in_profile = Snapshot(profile, "", 2);
    ASSERT_FALSE(in_profile.empty());
    RemoveAndWait(profile);
    EXPECT_EQ(Snapshot(profile, "", 2), in_profile) << profile;
}

// Links made from the Linux side by tests/files/removal_traps_wine.sh (Wine
// cannot make them): a Unix link to a folder outside the tree (listed as
// 0x410), one to a file outside it, a given path that is itself a link, and a
// tree reached through a linked folder. The system's own ATTRIB runs for what
// the walk leaves: a link it left must not carry the command to the hidden,
// system file behind it.
TEST_F(RemovalTraps, LinksOutOfTheTree) {
    if (root_.empty()) GTEST_SKIP() << "run by tests/files/removal_traps_wine.sh";
    const std::string hidden = root_ + "\\attrib-outside\\hs.txt";
    ::SetFileAttributesA(hidden.c_str(), FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM);
    ASSERT_EQ(::GetFileAttributesA(hidden.c_str()) & ~FILE_ATTRIBUTE_ARCHIVE,
              DWORD{FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM});
    // Each row's tree as the script made it; beside: what the snapshot leaves
    // out (the tree by its own name); may_stay: under Wine no call removes a
    // Unix link without reaching its target.
    const struct {
        Trap trap;
        std::string tree, beside, may_stay;
    } made_as[] = {
        {Trap::FolderLink, "\\dirlink-tree", "\\dirlink-tree", "\\dirlink-tree\\link"},
        {Trap::LinkForCommands, "\\attrib-tree", "\\attrib-tree", "\\attrib-tree\\link"},
        {Trap::FileLink, "\\filelink-tree", "\\filelink-tree", "\\filelink-tree\\link"},
        {Trap::TopLink, "\\toplink", "\\toplink", ""},
        {Trap::ViaLinkedFolder, "\\via\\tree", "\\real", ""},
        {Trap::BackslashName, "\\backslash-tree", "\\backslash-tree", "\\backslash-tree\\..\\canary.txt"},
        {Trap::BestFit, "\\bestfit-tree", "\\bestfit-tree", ""},
        {Trap::Mount, "\\mount-tree", "", ""},
        {Trap::LinkedHome, "\\linkhome\\data", "", ""},
    };
    for (const RemovalTrap& row : kRemovalTraps) {
        if (!(row.faces & kWineLinks)) continue;
        const auto* c = std::find_if(std::begin(made_as), std::end(made_as), [&](const auto& m) { return m.trap == row.trap; });
        ASSERT_NE(c, std::end(made_as)) << row.what;
        if (row.trap == Trap::Mount) {
            // Another file system mounted in a tree, where the script could
            // mount one: it stays whole, and so do the folders above it.
            const std::string in_mount = root_ + "\\mount-tree\\sub\\m\\in-mount.txt";
            if (::GetFileAttributesA(in_mount.c_str()) == INVALID_FILE_ATTRIBUTES) continue;
            RemoveAndWait(root_ + c->tree);
            EXPECT_NE(::GetFileAttributesA(in_mount.c_str()), INVALID_FILE_ATTRIBUTES);
            continue;
        }
        if (row.trap == Trap::LinkedHome) {
            // WINEHOMEDIR names the home through the link: data is above the
            // home, refused whole; a folder of data's own beside it goes.
            std::string home = std::string(made_) + "\\linkhome\\home\\me";  // the script's own spelling
            std::replace(home.begin(), home.end(), '\\', '/');
            ::SetEnvironmentVariableA("WINEHOMEDIR", ("\\??\\unix" + home).c_str());
            const auto before = Snapshot(root_ + "\\linkhome", "");
            RemoveAndWait(root_ + c->tree);
            EXPECT_EQ(Snapshot(root_ + "\\linkhome", ""), before) << row.what;
            RemoveAndWait(root_ + c->tree + "\\other");
            EXPECT_EQ(::GetFileAttributesA((root_ + c->tree + "\\other").c_str()), INVALID_FILE_ATTRIBUTES);
            EXPECT_NE(::GetFileAttributesA((root_ + c->tree + "\\home\\me\\keep.txt").c_str()), INVALID_FILE_ATTRIBUTES);
            ::SetEnvironmentVariableA("WINEHOMEDIR", saved_home_.empty() ? nullptr : saved_home_.c_str());
            continue;
        }
        const auto before = Snapshot(root_, c->beside);
        RemoveAndWait(root_ + c->tree);
        EXPECT_EQ(Snapshot(root_, c->beside), before) << row.what;
        if (row.trap == Trap::ViaLinkedFolder) {  // removed whole, its files too: they are no links
            EXPECT_EQ(::GetFileAttributesA((root_ + "\\real\\tree").c_str()), INVALID_FILE_ATTRIBUTES);
        }
        if (row.trap == Trap::TopLink) continue;  // listing it would list the folder it names
        std::map<std::string, std::string> left;
        Snapshot(root_, c->tree, "", left);
        EXPECT_TRUE(left.empty() || (left.size() == 1 && left.begin()->first == c->may_stay))
            << row.what << ": " << left.size();
    }
}

// Waits (at most 20 s) for the Linux helper of removal_traps_wine.sh.
bool WaitFor(const std::string& path, bool present) {
    for (int waited = 0; waited < 400; ++waited) {
        if ((::GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES) == present) return true;
        ::Sleep(50);
    }
    return false;
}

// A Linux process swaps a folder of the tree for a link to the outside
// folder and back while the walk runs; the outside folder holds the very
// names the swapped folder held. Nothing outside may change, round after round.
// The swapper here (mv and ln, one process each) catches the walk between
// listing and opening, which its checks must notice; it is far too slow to
// land in the instant Wine leaves between its last check and its delete by
// path. bench/removal_race_wine.sh measures that instant with an atomic swapper.
TEST_F(RemovalTraps, SwapRace) {
    if (root_.empty()) GTEST_SKIP() << "run by tests/files/removal_traps_wine.sh";
    const std::string tree = root_ + "\\swap-tree";
    const auto outside = Snapshot(root_ + "\\outside", "");
    ASSERT_EQ(outside.size(), 23u);
    const std::uint64_t canary = ContentHash(root_ + "\\canary.txt");
    int left_behind = 0;
    for (int round = 0; round < 20; ++round) {
        for (const char* folder : {"", "\\sub", "\\sub\\inner"}) ::CreateDirectoryA((tree + folder).c_str(), nullptr);
        for (int n = 1; n <= 20; ++n) {
            const std::string name = (n < 10 ? "\\f0" : "\\f") + std::to_string(n);
            Write(tree + "\\sub" + name, "tree", n % 2 ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL);
            Write(tree + "\\sub\\inner" + name, "tree");
        }
        Write(root_ + "\\swap-go", "");
        remove_(tree.c_str());
        left_behind += ::GetFileAttributesA(tree.c_str()) != INVALID_FILE_ATTRIBUTES;
        Write(root_ + "\\swap-done", "");
        ASSERT_TRUE(WaitFor(root_ + "\\swap-done", false)) << round;
        WaitForRemovalCommands();
        ASSERT_EQ(Snapshot(root_ + "\\outside", ""), outside) << round;
        ASSERT_EQ(ContentHash(root_ + "\\canary.txt"), canary) << round;
    }
    std::printf("swap race: 20 rounds, %d left part of the tree behind\n", left_behind);
}

// W: made another name of the C: drive, the way subst does (under Wine a
// dosdevices link, made by the Linux helper): the Windows directory and the
// drive's root stay whole under every spelling.
TEST_F(RemovalTraps, AnotherDriveNameForTheSystemDrive) {
    if (root_.empty()) GTEST_SKIP() << "run by tests/files/removal_traps_wine.sh";
    std::string devices = UnixName(L"C:\\");
    ASSERT_FALSE(devices.empty());
    const std::size_t at = devices.find("/dosdevices/");
    devices = at != std::string::npos ? devices.substr(0, at) : devices.substr(0, devices.rfind("/drive_c"));
    Write(root_ + "\\alias-request", devices + "/dosdevices");
    ASSERT_TRUE(WaitFor(root_ + "\\alias-done", true));
    char windows[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string below = std::string(windows).substr(2);  // "\windows"
    ASSERT_EQ(::GetFileAttributesA(("W:" + below).c_str()) & FILE_ATTRIBUTE_DIRECTORY, FILE_ATTRIBUTE_DIRECTORY);
    // The Windows directory and the folders right below it, content hashes
    // included: the whole of it takes minutes under Wine.
    const auto before = Snapshot(windows, "", 2);
    ASSERT_GT(before.size(), 500u);
    for (const RefusedPath& refused : kRefusedPaths)
        if (refused.faces & kDriveLink) remove_(RefusedSpelling(refused.path, windows).c_str());
    WaitForRemovalCommands();
    EXPECT_EQ(Snapshot(windows, "", 2), before);
}

}  // namespace
}  // namespace karvelin::test
