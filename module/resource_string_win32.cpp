#include "module/resource_string_win32.h"

namespace karvelin::module {

std::wstring LoadResourceString(HMODULE module, UINT id, LANGID language) {
    // Strings live in blocks of 16; each entry is a length word and that many
    // UTF-16 units.
    HRSRC info = ::FindResourceExW(module, MAKEINTRESOURCEW(6) /* RT_STRING */,
                                   MAKEINTRESOURCEW(id / 16 + 1), language);
    if (!info) return {};
    HGLOBAL loaded = ::LoadResource(module, info);  // not freed: part of the image
    if (!loaded) return {};
    const auto* entry = static_cast<const WCHAR*>(::LockResource(loaded));
    const DWORD size = ::SizeofResource(module, info) / sizeof(WCHAR);
    if (!entry) return {};
    const WCHAR* end = entry + size;
    for (UINT index = 0; index < id % 16; ++index) {
        if (entry >= end) return {};
        entry += 1 + *entry;
    }
    if (entry >= end || entry + 1 + *entry > end) return {};
    return std::wstring(entry + 1, *entry);
}

HMODULE LibraryModule() {
    // The image that holds this code: the DLL, the Python module, or a
    // program the library's objects are linked into.
    MEMORY_BASIC_INFORMATION info{};
    if (!::VirtualQuery(reinterpret_cast<const void*>(&LibraryModule), &info, sizeof info)) return nullptr;
    return static_cast<HMODULE>(info.AllocationBase);
}

}  // namespace karvelin::module
