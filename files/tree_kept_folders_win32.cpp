// The folders a tree removal on Windows never touches, asked of the system.
#include <algorithm>
#include <cwchar>

#include "common/sized_text.h"
#include "common/win32_owners.h"
#include "files/tree_platform_win32.h"

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
    return ReadAnsweredText<wchar_t>([&](wchar_t* buffer, DWORD size) -> DWORD {
               DWORD length = size;
               if (get_profile(token.get(), buffer, &length)) return static_cast<DWORD>(std::wcslen(buffer));
               return ::GetLastError() == ERROR_INSUFFICIENT_BUFFER ? length : 0;
           })
        .value_or(std::wstring());
}

// A verbatim path ("\\?\unix\home\me", "\\?\Z:\x") and each folder above
// it, down to its root ("\\?\unix\", "\\?\Z:\").
std::vector<std::wstring> VerbatimFolderAndParents(std::wstring path) {
    const std::size_t root = path.find(L'\\', 4);  // after "\\?\unix" or "\\?\Z:"
    if (path.rfind(L"\\\\?\\", 0) != 0 || root == std::wstring::npos) return {};
    std::vector<std::wstring> folders;
    for (;;) {
        while (path.size() > root + 1 && path.back() == L'\\') path.pop_back();
        folders.push_back(path);
        if (path.size() == root + 1) break;
        const std::size_t separator = path.find_last_of(L'\\');
        path.resize(separator == root ? root + 1 : separator);
    }
    return folders;
}

// Where the folder `path` leads, past every link on the way, as the system
// names the object opened ("\??\Z:\x\data\home\me" under Wine), verbatim;
// empty when it cannot be opened or named.
std::wstring ReachedPath(const std::wstring& path) {
    const win32::unique_hfile folder(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    const std::wstring name = folder ? FinalPathOf(folder.get()) : std::wstring();
    const std::wstring wine_prefix = L"\\??\\";
    if (name.rfind(wine_prefix, 0) == 0) return L"\\\\?\\" + name.substr(wine_prefix.size());
    const std::wstring dos = DosPathOf(name);
    return dos.size() > 2 && dos[1] == L':' ? L"\\\\?\\" + dos : std::wstring();
}

// Under Wine, the Unix home folder and each folder above it, as Windows
// paths ("\\?\unix\home\me", ..., "\\?\unix\"), as Wine hands the home to
// Windows programs in WINEHOMEDIR ("\??\unix/home/me"); and, past each link
// on the way, where it leads and each folder above that ("\\?\Z:\x\data\home",
// "\\?\Z:\x\data", ...): the text alone names the folders above the link,
// not those above the folder it leads to.
std::vector<std::wstring> UnixHomeAndParents() {
    const std::wstring given = ReadAnsweredText<wchar_t>([](wchar_t* buffer, DWORD size) {
                                   return ::GetEnvironmentVariableW(L"WINEHOMEDIR", buffer, size);
                               }).value_or(std::wstring());
    const std::wstring prefix = L"\\??\\";
    if (given.rfind(prefix, 0) != 0) return {};
    std::wstring path = L"\\\\?\\" + given.substr(prefix.size());
    std::replace(path.begin(), path.end(), L'/', L'\\');
    std::vector<std::wstring> folders = VerbatimFolderAndParents(path);
    const std::size_t spelled = folders.size();
    for (std::size_t i = 0; i < spelled; ++i) {
        const std::vector<std::wstring> reached = VerbatimFolderAndParents(ReachedPath(folders[i]));
        folders.insert(folders.end(), reached.begin(), reached.end());
    }
    return folders;
}

}  // namespace

// The root of the volume or share `full` lies on; the Windows directory
// (the system's own, also under a terminal server, where
// GetWindowsDirectory may name a folder of the user), the user's profile
// folder, each with every folder above it; and under Wine the Unix home
// folder (see UnixHomeAndParents), where the caller can reach it.
KeptPaths KeptPathsFor(const std::wstring& full) {
    std::vector<wchar_t> root(full.size() + 2);
    if (!::GetVolumePathNameW(full.c_str(), root.data(), static_cast<DWORD>(root.size()))) return {};
    KeptPaths paths;
    paths.told = FolderAndParents(ReadAnsweredText<wchar_t>([](wchar_t* buffer, DWORD size) {
                                      return ::GetSystemWindowsDirectoryW(buffer, size);
                                  }).value_or(std::wstring()));
    const std::vector<std::wstring> profile = FolderAndParents(ProfileFolder());
    if (paths.told.empty() || profile.empty()) return {};
    paths.told.insert(paths.told.end(), profile.begin(), profile.end());
    paths.told.push_back(root.data());
    if (Nt().wine) paths.reachable = UnixHomeAndParents();
    return paths;
}

}  // namespace karvelin::files::tree_system
