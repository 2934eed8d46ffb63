#include <windows.h>

#include <vector>

#include "common/win32_owners.h"
#include "files/tree_platform.h"
#include "files/tree_removal.h"

namespace karvelin::files {
namespace {

// A path query into a buffer of the size the system asks for (it may ask
// again when the answer grew in between); empty when it fails.
template <typename Query>
std::string AskForPath(Query query) {
    std::vector<char> buffer(MAX_PATH);
    for (int tries = 0; tries < 4; ++tries) {
        const DWORD length = query(buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return std::string();
        if (length < buffer.size()) return std::string(buffer.data(), length);
        buffer.resize(length);  // the size needed, with its NUL
    }
    return std::string();
}

// The long form of an existing path; the path itself otherwise.
std::string LongForm(const std::string& path) {
    if (path.empty()) return path;
    const std::string long_form =
        AskForPath([&](char* buffer, DWORD size) { return ::GetLongPathNameA(path.c_str(), buffer, size); });
    return long_form.empty() ? path : long_form;
}

class SystemTrees final : public TreePlatform {
public:
    std::string FullPath(const std::string& path) override {
        return LongForm(AskForPath(
            [&](char* buffer, DWORD size) { return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr); }));
    }
    // The system's own Windows directory, also under a terminal server (where
    // GetWindowsDirectory may name a folder of the user).
    std::string WindowsDirectory() override {
        return LongForm(AskForPath([](char* buffer, DWORD size) { return ::GetSystemWindowsDirectoryA(buffer, size); }));
    }
    std::uint32_t Attributes(const std::string& path) override { return ::GetFileAttributesA(path.c_str()); }
    void ForEachEntry(const std::string& pattern, const Visit& visit) override {
        WIN32_FIND_DATAA found{};
        const win32::unique_hfind listing(::FindFirstFileA(pattern.c_str(), &found));
        if (!listing) return;
        do visit(found.cFileName, found.dwFileAttributes);
        while (::FindNextFileA(listing.get(), &found));
    }
    void ResetAttributes(const std::string& path) override {
        ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    void DeleteEntry(const std::string& path) override { ::DeleteFileA(path.c_str()); }
    void RemoveEmptyDirectory(const std::string& path) override { ::RemoveDirectoryA(path.c_str()); }
    void Start(const std::string& command_line) override { ::WinExec(command_line.c_str(), SW_HIDE); }
};

SystemTrees g_tree;

}  // namespace

TreePlatform& SystemTree() { return g_tree; }

void DelFilesAndDir(const char* path) { RemoveTree(path, SystemLeadBytes(), g_tree); }

}  // namespace karvelin::files
