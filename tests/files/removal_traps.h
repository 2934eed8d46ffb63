// The fixture of the removal trap tests (removal_traps_win32_test.cpp,
// removal_links_win32_test.cpp): DelFilesAndDir through Karvelin.dll in a
// folder of its own under the temporary folder, made the current folder,
// with files beside the tree that must stay.
#pragma once

#include <cstdlib>
#include <string>

#include "Karvelin.h"
#include "temp_folder.h"
#include "files/win32_files.h"

namespace karvelin::test {

using RemoveFunction = void (*)(const char*);

// Wine's Unix name of a Windows path; empty where there is none.
inline std::string UnixName(const wchar_t* path) {
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

}  // namespace karvelin::test
