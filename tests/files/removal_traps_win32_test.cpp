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
#include "files/removal_traps.h"
#include "temp_folder.h"
#include "files/win32_files.h"

namespace karvelin::test {
namespace {

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

}  // namespace
}  // namespace karvelin::test
