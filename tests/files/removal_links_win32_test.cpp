// DelFilesAndDir through Karvelin.dll against trees with Unix links, made
// from the Linux side by tests/files/removal_traps_wine.sh, which runs these
// cases (skipped otherwise): each case snapshots everything beside the tree,
// removes the tree, waits for the commands it started, and compares.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <vector>

#include "Karvelin.h"
#include "files/removal_cases.h"
#include "files/removal_traps.h"
#include "temp_folder.h"
#include "files/win32_files.h"


namespace karvelin::test {
namespace {

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
