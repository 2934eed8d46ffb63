#include <windows.h>

#include <map>
#include <vector>

#include "common/lead_bytes.h"
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

// The system's name for what a path opens, without its "\\?\" head; empty
// when it cannot be had.
using FinalPathQuery = DWORD(WINAPI*)(HANDLE, LPSTR, DWORD, DWORD);
std::string FinalPath(const std::string& path, FinalPathQuery query) {
    const win32::unique_hfile file(::CreateFileA(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                                 nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!file) return std::string();
    std::string final_path = AskForPath([&](char* buffer, DWORD size) { return query(file.get(), buffer, size, 0); });
    if (final_path.rfind("\\\\?\\", 0) == 0) final_path.erase(0, 4);
    return final_path;
}

// Under Wine a Unix symbolic link to a file is listed as the file it names,
// without the reparse-point bit, and SetFileAttributesA and DeleteFileA act
// on that file: a link in the tree to a file outside it would cost that file
// its attributes, then the file itself. Such an entry is told by its final
// path (the system's name for what it opens): a file's is its folder's final
// path and its own name (links above the tree resolve alike in both), a
// link's is its target's. It is left in place. Windows marks its links with
// the reparse-point bit (and has no GetFinalPathNameByHandleA before Vista),
// so this is asked under Wine only. One removal keeps each folder's final
// path and the last entry's answer (its attributes are reset, then it is
// deleted).
class WineFileLinks {
public:
    WineFileLinks() {
        const HMODULE ntdll = ::GetModuleHandleA("ntdll.dll");
        if (!ntdll || !::GetProcAddress(ntdll, "wine_get_version")) return;
        query_ = reinterpret_cast<FinalPathQuery>(reinterpret_cast<void*>(
            ::GetProcAddress(::GetModuleHandleA("kernel32.dll"), "GetFinalPathNameByHandleA")));
    }
    bool IsLink(const std::string& path) {
        if (!query_) return false;
        if (path != last_path_) {
            last_path_ = path;
            last_answer_ = Ask(path);
        }
        return last_answer_;
    }

private:
    bool Ask(const std::string& path) {
        std::size_t separator = std::string::npos;  // the last backslash that is no second byte
        for (std::size_t i = 0; i < path.size(); i += SystemLeadBytes().CharLength(path.c_str() + i))
            if (path[i] == '\\') separator = i;
        if (separator == std::string::npos) return false;
        const std::string own = FinalPath(path, query_);  // empty for a dangling link: nothing to lose
        if (own.empty()) return false;
        const std::string folder_path = path.substr(0, separator + 1);
        auto folder = folders_.find(folder_path);
        if (folder == folders_.end()) {
            const std::string final_path = FinalPath(folder_path, query_);
            folder = folders_.emplace(folder_path, WithoutTrailingBackslashes(final_path, SystemLeadBytes())).first;
        }
        if (folder->second.empty()) return false;
        return ::lstrcmpiA(own.c_str(), (folder->second + '\\' + path.substr(separator + 1)).c_str()) != 0;
    }

    FinalPathQuery query_ = nullptr;
    std::map<std::string, std::string> folders_;
    std::string last_path_;
    bool last_answer_ = false;
};

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
        if (!links_.IsLink(path)) ::SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
    }
    void DeleteEntry(const std::string& path) override {
        if (!links_.IsLink(path)) ::DeleteFileA(path.c_str());
    }
    void RemoveEmptyDirectory(const std::string& path) override { ::RemoveDirectoryA(path.c_str()); }
    void Start(const std::string& command_line) override { ::WinExec(command_line.c_str(), SW_HIDE); }

private:
    WineFileLinks links_;
};

SystemTrees g_tree;

}  // namespace

TreePlatform& SystemTree() { return g_tree; }

// Each removal has calls of its own: they keep what they learnt about links,
// and removals may run on several threads at once.
void DelFilesAndDir(const char* path) {
    SystemTrees tree;
    RemoveTree(path, SystemLeadBytes(), tree);
}

}  // namespace karvelin::files
