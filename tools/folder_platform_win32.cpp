#include <cstring>

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

}  // namespace karvelin::program
