#include <cstring>
#include <cwchar>
#include <string>
#include <vector>

#include "common/win32_owners.h"
#include "tools/folder_platform.h"

namespace karvelin::program {

PathState LookAt(const std::string& path) {
    PathState state;
    const DWORD attributes = ::GetFileAttributesA(path.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) return state;
    state.exists = true;
    state.folder = (attributes & FILE_ATTRIBUTE_DIRECTORY) && !(attributes & FILE_ATTRIBUTE_REPARSE_POINT);
    if (!state.folder) return state;
    WIN32_FIND_DATAA found;
    const win32::unique_hfind find(::FindFirstFileA((path + "\\*").c_str(), &found));
    if (!find) return state;
    do {
        if (std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0) ++state.entries;
    } while (::FindNextFileA(find.get(), &found));
    return state;
}

namespace {

// A folder's identity: its volume and its index on that volume. 0, or why not.
DWORD Identify(const char* path, BY_HANDLE_FILE_INFORMATION& info) {
    const win32::unique_hfile folder(::CreateFileA(path, FILE_READ_ATTRIBUTES,
                                                   FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    if (!folder || !::GetFileInformationByHandle(folder.get(), &info)) return ::GetLastError();
    return info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY ? 0 : ERROR_DIRECTORY;
}

}  // namespace

bool RunsIn(const std::string& folder, std::string& why) {
    BY_HANDLE_FILE_INFORMATION wanted{}, here{};
    if (const DWORD error = Identify(folder.c_str(), wanted)) {
        why = "cannot be opened as a folder (system error " + std::to_string(error) + ")";
        return false;
    }
    if (Identify(".", here) == 0 && here.dwVolumeSerialNumber == wanted.dwVolumeSerialNumber &&
        here.nFileIndexHigh == wanted.nFileIndexHigh && here.nFileIndexLow == wanted.nFileIndexLow)
        return true;
    char current[MAX_PATH + 1] = {};
    const DWORD length = ::GetCurrentDirectoryA(sizeof current, current);
    why = std::string("is not the folder the program runs in, ") +
          (length > 0 && length < sizeof current ? current : "one it cannot name");
    return false;
}

bool ArgumentsWhole(std::string& why) {
    // The command line, through the code page and back: whole when nothing changed.
    const std::wstring line = ::GetCommandLineW();
    const int length = static_cast<int>(line.size());
    const int bytes = ::WideCharToMultiByte(CP_ACP, 0, line.data(), length, nullptr, 0, nullptr, nullptr);
    std::vector<char> ansi(static_cast<std::size_t>(bytes > 0 ? bytes : 0) + 1);
    ::WideCharToMultiByte(CP_ACP, 0, line.data(), length, ansi.data(), bytes, nullptr, nullptr);
    std::vector<wchar_t> back(line.size() + 1);
    const int units = ::MultiByteToWideChar(CP_ACP, 0, ansi.data(), bytes, back.data(), length + 1);
    if (units == length && line.compare(0, line.size(), back.data(), line.size()) == 0) return true;
    why = "the command line holds characters that the ANSI code page (" + std::to_string(::GetACP()) +
          ") has not: the program would read others in their place";
    return false;
}

}  // namespace karvelin::program
