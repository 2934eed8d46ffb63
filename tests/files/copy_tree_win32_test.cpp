// CopyTheFile and DelFilesAndDir through Karvelin.dll, in folders of their
// own under the temporary folder.
#include <gtest/gtest.h>

#include <set>
#include <vector>

#include "Karvelin.h"
#include "files/copy_platform.h"
#include "files/removal_cases.h"
#include "temp_folder.h"
#include "files/win32_files.h"

namespace karvelin::test {
namespace {

using CopyFunction = int32_t (*)(const char*, const char*);
using RemoveFunction = void (*)(const char*);

class FilesThroughTheDll : public InTempFolder<> {
protected:
    FilesThroughTheDll() : InTempFolder("files") {}
    void SetUp() override {
        InTempFolder::SetUp();
        dll_ = LoadKarvelin();
        ASSERT_TRUE(dll_);
        copy_ = Export<CopyFunction>(dll_.get(), "CopyTheFile");
        remove_ = Export<RemoveFunction>(dll_.get(), "DelFilesAndDir");
        ASSERT_TRUE(copy_ && remove_);
    }
    void TearDown() override { WaitForRemovalCommands(); }

    // The stand-in programs in a folder of their own, made the current
    // folder: WinExec finds them there before the system's.
    std::string UseRecorders() {
        char self[MAX_PATH] = {};
        ::GetModuleFileNameA(nullptr, self, MAX_PATH);
        std::string recorder = self;
        recorder = recorder.substr(0, recorder.rfind('\\') + 1) + "karvelin_argument_recorder.exe";
        const std::string folder = base_ + "\\commands";
        ::CreateDirectoryA(folder.c_str(), nullptr);
        for (const char* name : {"ATTRIB.exe", "rmdir.exe"})
            EXPECT_TRUE(::CopyFileA(recorder.c_str(), (folder + "\\" + name).c_str(), FALSE)) << recorder;
        ::GetCurrentDirectoryA(MAX_PATH, saved_directory_);
        ::SetCurrentDirectoryA(folder.c_str());
        return folder;
    }
    // Waits (at most 20 s) for `count` records, and half a second more for
    // any that come late; answers every record there is.
    std::multiset<std::vector<std::string>> Records(const std::string& folder, std::size_t count) {
        std::multiset<std::vector<std::string>> records;
        for (int waited = 0, settle = 5; waited < 200 && settle > 0; ++waited) {
            ::Sleep(100);
            if (records.size() >= count) --settle;
            records.clear();
            WIN32_FIND_DATAA found{};
            const win32::unique_hfind listing(::FindFirstFileA((folder + "\\*.rec").c_str(), &found));
            if (!listing) continue;
            do {
                std::ifstream in(folder + "\\" + found.cFileName);
                std::vector<std::string> lines;
                for (std::string line; std::getline(in, line);) lines.push_back(line);
                records.insert(lines);
            } while (::FindNextFileA(listing.get(), &found));
        }
        ::SetCurrentDirectoryA(saved_directory_);
        return records;
    }
    // The two records of the commands started for `folder`.
    static std::multiset<std::vector<std::string>> CommandsFor(const std::string& folder) {
        return {{"ATTRIB.exe", "-R", "-H", "-S", "/S", "/D", folder + "\\*"}, {"rmdir.exe", "/S/Q", folder + "\\"}};
    }

    win32::unique_hmodule dll_;
    CopyFunction copy_ = nullptr;
    RemoveFunction remove_ = nullptr;
    char saved_directory_[MAX_PATH] = {};
};

constexpr DWORD kStubborn = FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_SYSTEM;

TEST_F(FilesThroughTheDll, CopyTheFileOverAnyDestination) {
    const std::string source = base_ + "\\source.txt", destination = base_ + "\\destination.txt";
    const std::string folder = base_.substr(base_.find_last_of('\\') + 1);
    const struct {
        const char* what;
        std::string source_name;
        DWORD destination_attributes;
        int32_t expected;
        std::string destination_text;
        DWORD attributes_after;  // the destination's read-only, hidden and system bits
    } cases[] = {
        {"read-only, hidden destination", "source.txt", FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN, 1, "new", 0},
        {"system destination", "source.txt", FILE_ATTRIBUTE_SYSTEM, 1, "new", 0},
        {"missing source", "missing.txt", kStubborn, 0, "old", 0},
        // Refused before the source's attributes are touched.
        {"onto itself", "destination.txt", kStubborn, 0, "old", kStubborn},
        {"onto itself, spelt another way", "..\\" + folder + "\\.\\destination.txt", kStubborn, 0, "old", kStubborn},
        {"through a hard link", "link.txt", kStubborn, 0, "old", kStubborn},
    };
    for (const auto& c : cases) {
        Write(source, "new");
        ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
        ::DeleteFileA((base_ + "\\link.txt").c_str());
        Write(destination, "old");
        ASSERT_TRUE(::CreateHardLinkA((base_ + "\\link.txt").c_str(), destination.c_str(), nullptr));
        ::SetFileAttributesA(destination.c_str(), c.destination_attributes);
        EXPECT_EQ(copy_((base_ + "\\" + c.source_name).c_str(), destination.c_str()), c.expected) << c.what;
        EXPECT_EQ(Read(destination), c.destination_text) << c.what;
        EXPECT_EQ(::GetFileAttributesA(destination.c_str()) & kStubborn, c.attributes_after) << c.what;
    }
    ::SetFileAttributesA(destination.c_str(), FILE_ATTRIBUTE_NORMAL);
}

// The platform's copy, where a name reaches another file than the one found:
// refused, nothing written.
using CopyBetweenNames = FilesThroughTheDll;
TEST_F(CopyBetweenNames, RefusedWhereANameReachesAnotherFile) {
    const std::string source = base_ + "\\source.txt", destination = base_ + "\\destination.txt";
    for (const std::string* replaced : {&source, &destination}) {
        Write(source, "new");
        Write(destination, "old");
        Write(base_ + "\\other.txt", "other");
        const auto files = files::SystemCopy().Prepare(source, destination);
        ASSERT_TRUE(files && files->Source().found && files->Destination().found);
        ASSERT_TRUE(::MoveFileExA(replaced->c_str(), (base_ + "\\was.txt").c_str(), MOVEFILE_REPLACE_EXISTING));
        ASSERT_TRUE(::MoveFileA((base_ + "\\other.txt").c_str(), replaced->c_str()));
        EXPECT_FALSE(files->Copy()) << *replaced;
        EXPECT_EQ(Read(destination), replaced == &destination ? "other" : "old") << *replaced;
    }
}

// Under Wine, a destination that is a Unix link (made by the Linux ln): to
// nothing, refused with nothing made where it leads; to a file, written
// through. On Windows: skipped.
TEST_F(FilesThroughTheDll, CopyTheFileThroughUnixLinks) {
    using UnixName = char*(CDECL*)(LPCWSTR);
    const auto unix_name = Export<UnixName>(::GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name");
    char* named = unix_name ? unix_name(std::wstring(base_.begin(), base_.end()).c_str()) : nullptr;
    if (!named) GTEST_SKIP() << "not under Wine";
    const std::string unix_base = named;
    ::HeapFree(::GetProcessHeap(), 0, named);
    Write(base_ + "\\source.txt", "new");
    ::CreateDirectoryA((base_ + "\\elsewhere").c_str(), nullptr);
    Write(base_ + "\\elsewhere\\file.txt", "old");
    for (const std::string target : {"file.txt", "nothing.txt"}) {
        // Wine does not wait for a Unix program: a file made after the link
        // says it is there.
        const std::string link = unix_base + "/to-" + target;
        RunCommand("Z:\\bin\\sh -c \"ln -s elsewhere/" + target + " '" + link + "' && touch '" + link + ".made'\"");
        for (int tries = 0; tries < 1000 && ::GetFileAttributesA((base_ + "\\to-" + target + ".made").c_str()) ==
                                                INVALID_FILE_ATTRIBUTES;
             ++tries)
            ::Sleep(10);
        const bool dangling = target == "nothing.txt";
        EXPECT_EQ(copy_((base_ + "\\source.txt").c_str(), (base_ + "\\to-" + target).c_str()), dangling ? 0 : 1);
        EXPECT_EQ(Read(base_ + "\\elsewhere\\" + target), dangling ? "" : "new") << target;
    }
}

TEST_F(FilesThroughTheDll, DelFilesAndDirRemovesTreesWhole) {
    Write(base_ + "\\tree-sibling.txt", "outside");
    for (const char* given : {"tree", "tree\\", "tree\\\\\\", "tree with blanks", "missing"}) {
        const std::string tree = base_ + "\\" + std::string(given).substr(0, std::string(given).find('\\'));
        if (std::string(given) != "missing") {
            for (const char* folder : {"", "\\sub", "\\sub\\deep", "\\hidden dir"})
                ::CreateDirectoryA((tree + folder).c_str(), nullptr);
            ::SetFileAttributesA((tree + "\\hidden dir").c_str(), FILE_ATTRIBUTE_HIDDEN);  // 18
            Write(tree + "\\plain.txt", "x");
            Write(tree + "\\ro.txt", "x", FILE_ATTRIBUTE_READONLY);
            Write(tree + "\\sub\\rhs.txt", "x", kStubborn);
            Write(tree + "\\sub\\deep\\.profile", "x", FILE_ATTRIBUTE_HIDDEN);
            Write(tree + "\\hidden dir\\..x", "x", FILE_ATTRIBUTE_SYSTEM);
            ASSERT_EQ(::GetFileAttributesA((tree + "\\hidden dir").c_str()) & ~FILE_ATTRIBUTE_ARCHIVE, 18u);
        }
        remove_((base_ + "\\" + given).c_str());
        WaitForRemovalCommands();  // else they reach the next row's tree
        const auto left = Snapshot(base_, "");
        EXPECT_TRUE(left.size() == 1 && left.count("\\tree-sibling.txt")) << given << ": " << left.size();
    }
    EXPECT_EQ(Read(base_ + "\\tree-sibling.txt"), "outside");
}

// A file held open without sharing cannot be removed: its folders stay, and
// the commands are started for the folder given, quoted, as the system names
// it (not the caller's spelling, here with a trailing blank), and for nothing
// else. A tree removed whole starts nothing.
TEST_F(FilesThroughTheDll, CommandsOnlyForAFolderLeftBehind) {
    const std::string commands = UseRecorders();
    const std::string tree = base_ + "\\a b\\tree dir", whole = base_ + "\\whole";
    for (const std::string& folder : {base_ + "\\a b", tree, tree + "\\sub dir", whole, whole + "\\sub"})
        ::CreateDirectoryA(folder.c_str(), nullptr);
    Write(whole + "\\sub\\f.txt", "x");
    Write(tree + "\\sub dir\\busy.txt", "x");
    const win32::unique_hfile busy(::CreateFileA((tree + "\\sub dir\\busy.txt").c_str(), GENERIC_READ, 0, nullptr,
                                                 OPEN_EXISTING, 0, nullptr));
    ASSERT_TRUE(busy);
    remove_(whole.c_str());
    remove_((tree + " \\\\").c_str());
    EXPECT_EQ(Records(commands, 2), CommandsFor(tree));
    EXPECT_EQ(::GetFileAttributesA(whole.c_str()), INVALID_FILE_ATTRIBUTES);
}

// Run only in the throwaway prefix of scripts/wine-run.sh. Every spelling of
// a root or of the Windows directory: another drive letter for C:\ (what
// subst makes), trailing dots and blanks, the verbatim form, a parent's "..".
TEST_F(FilesThroughTheDll, RootsAndTheWindowsDirectoryAreLeftAlone) {
    char windows[MAX_PATH] = {};
    ASSERT_NE(::GetSystemWindowsDirectoryA(windows, MAX_PATH), 0u);
    const std::string system32 = std::string(windows) + "\\system32";
    const auto windows_before = Snapshot(windows, "", 1000, false);
    const bool alias = ::DefineDosDeviceA(0, "W:", "C:\\");
    EXPECT_TRUE(alias);
    const std::string commands = UseRecorders();
    for (const RefusedPath& refused : kRefusedPaths)
        if (refused.faces & kNoCommands) remove_(RefusedSpelling(refused.path, windows).c_str());
    if (alias) ::DefineDosDeviceA(DDD_REMOVE_DEFINITION, "W:", nullptr);
    // A folder left behind is the marker: its two commands come after the
    // refused calls, and are the only ones.
    const std::string marker = base_ + "\\marker";
    ::CreateDirectoryA(marker.c_str(), nullptr);
    Write(marker + "\\busy.txt", "x");
    const win32::unique_hfile busy(::CreateFileA((marker + "\\busy.txt").c_str(), GENERIC_READ, FILE_SHARE_READ,
                                                 nullptr, OPEN_EXISTING, 0, nullptr));
    remove_(marker.c_str());
    EXPECT_EQ(Records(commands, 2), CommandsFor(marker));
    EXPECT_EQ(Snapshot(windows, "", 1000, false).size(), windows_before.size());
    EXPECT_NE(::GetFileAttributesA((system32 + "\\kernel32.dll").c_str()), INVALID_FILE_ATTRIBUTES);
}

}  // namespace
}  // namespace karvelin::test
