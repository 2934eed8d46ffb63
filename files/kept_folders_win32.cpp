// The folders a tree removal on Windows never touches, asked of the system.
#include <algorithm>
#include <cwchar>

#include "common/win32_owners.h"
#include "files/tree_system_win32.h"

namespace karvelin::files::tree_system {
namespace {

// "C:\\WINDOWS" gives "C:\\WINDOWS" and "C:\\".
std::vector<std::wstring> FolderAndParents(std::wstring folder) {
    std::vector<std::wstring> folders;
    while (!folder.empty() && folder.back() == L'\\') folder.pop_back();
    while (!folder.empty()) {
        if (folder.back() == L':') {
            folders.push_back(folder + L'\\');
            break;
        }
        folders.push_back(folder);
        const std::size_t separator = folder.find_last_of(L'\\');
        if (separator == std::wstring::npos) break;
        folder.resize(separator);
    }
    return folders;
}

// The user's profile folder, asked of the system (the profile list the
// logon keeps), never of the environment; empty when it cannot be had.
std::wstring ProfileFolder() {
    using GetProfileCall = BOOL(WINAPI*)(HANDLE, LPWSTR, LPDWORD);
    using unique_library = unique_any<handle_traits<HMODULE, &::FreeLibrary, 0>>;
    const unique_library userenv(::LoadLibraryW(L"userenv.dll"));
    const auto get_profile =
        userenv ? reinterpret_cast<GetProfileCall>(
                      reinterpret_cast<void*>(::GetProcAddress(userenv.get(), "GetUserProfileDirectoryW")))
                : nullptr;
    HANDLE opened = nullptr;
    if (!get_profile || !::OpenProcessToken(::GetCurrentProcess(), TOKEN_QUERY, &opened)) return std::wstring();
    const win32::unique_handle token(opened);
    return AskForText([&](wchar_t* buffer, DWORD size) -> DWORD {
        DWORD length = size;
        if (get_profile(token.get(), buffer, &length)) return static_cast<DWORD>(std::wcslen(buffer));
        return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? length : 0;
    });
}

// Under Wine, the Unix home folder and each folder above it, as Windows
// paths ("\\?\unix\home\me", ..., "\\?\unix\"): Wine hands the home to
// Windows programs in WINEHOMEDIR ("\??\unix/home/me").
std::vector<std::wstring> UnixHomeAndParents() {
    const std::wstring given =
        AskForText([](wchar_t* buffer, DWORD size) { return ::GetEnvironmentVariableW(L"WINEHOMEDIR", buffer, size); });
    const std::wstring prefix = L"\\??\\";
    if (given.rfind(prefix, 0) != 0) return {};
    std::wstring path = L"\\\\?\\" + given.substr(prefix.size());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    std::vector<std::wstring> folders;
    const std::size_t root = path.find(L'\\', 4);  // after "\\?\unix"
    if (root == std::wstring::npos) return {};
    for (;;) {
        while (path.size() > root + 1 && path.back() == L'\\') path.pop_back();
        folders.push_back(path);
        if (path.size() == root + 1) break;
        const std::size_t separator = path.find_last_of(L'\\');
        path.resize(separator == root ? root + 1 : separator);
    }
    return folders;
}

}  // namespace

// The root of the volume or share `full` lies on; the Windows directory
// (the system's own, also under a terminal server, where
// GetWindowsDirectory may name a folder of the user), the user's profile
// folder, and under Wine the Unix home folder, each with every folder
// above it.
std::vector<std::wstring> KeptPaths(const std::wstring& full) {
    std::vector<wchar_t> root(full.size() + 2);
    if (!::GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    std::vector<std::wstring> paths = FolderAndParents(
        AskForText([](wchar_t* buffer, DWORD size) { return ::GetSystemWindowsDirectoryW(buffer, size); }));
    const std::vector<std::wstring> profile = FolderAndParents(ProfileFolder());
    if (paths.empty() || profile.empty()) return {};
    paths.insert(paths.end(), profile.begin(), profile.end());
    if (Nt().wine && ::GetEnvironmentVariableW(L"WINEHOMEDIR", nullptr, 0) != 0) {
        const std::vector<std::wstring> home = UnixHomeAndParents();
        if (home.empty()) return {};
        paths.insert(paths.end(), home.begin(), home.end());
    }
    paths.push_back(root.data());
    return paths;
}

}  // namespace karvelin::files::tree_system
