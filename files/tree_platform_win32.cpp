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

std::string FullPathOf(const std::string& path) {
    return LongForm(
        AskForPath([&](char* buffer, DWORD size) { return ::GetFullPathNameA(path.c_str(), size, buffer, nullptr); }));
}

// Under Wine a Unix symbolic link to a file is listed as the file it names,
// without the reparse-point bit, and SetFileAttributesA and DeleteFileA act
// on that file: a link in the tree to a file outside it would cost that file
// its attributes, then the file itself. Such an entry is told by its final
// path (the name of what it opens), which is not its own; it is left in
// place. Windows marks its links with the reparse-point bit (and has no
// GetFinalPathNameByHandleA before Vista), so this is asked under Wine only.
bool IsWineFileLink(const std::string& path) {
    const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
    if (!ntdll || !::GetProcAddress(ntdll, "wine_get_version")) return false;
    using FinalPathQuery = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
    const auto final_path = reinterpret_cast<FinalPathQuery>(reinterpret_cast<void*>(
        ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    if (!final_path) return false;
    const win32::unique_hfile file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return false;  // a dangling link names nothing that could be lost
    std::string target = AskForPath([&](char* buffer, DWORD size) { return final_path(file.get(), buffer, size, 0); });
    if (target.rfind("\\\\?\\", 0) == 0) target.erase(0, 4);
    return !target.empty() && ::lstrcmpiA(target.c_str(), FullPathOf(path).c_str()) != 0;
}

class SystemTrees final : public TreePlatform {
public:
    std::string FullPath(const std::string& path) override { return FullPathOf(path); }
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
        if (!IsWineFileLink(path)) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    void DeleteEntry(const std::string& path) override {
        if (!IsWineFileLink(path)) ::DeleteFileA(path.c_str());
    }
    void RemoveEmptyDirectory(const std::string& path) override { ::RemoveDirectoryA(path.c_str()); }
    void Start(const std::string& command_line) override { ::WinExec(command_line.c_str(), SW_HIDE); }
};

SystemTrees g_tree;

}  // namespace

TreePlatform& SystemTree() { return g_tree; }

void DelFilesAndDir(const char* path) { RemoveTree(path, SystemLeadBytes(), g_tree); }

}  // namespace karvelin::files
