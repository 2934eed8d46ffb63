// The library's own module, and one string of a module's string table in a
// given language.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace karvelin::module {

// Library string resources.
inline constexpr UINT kSocketFailureMessageId = 101;
inline constexpr LANGID kMessageLanguage = MAKELANGID(LANG_CHINESE, SUBLANG_CHINESE_SIMPLIFIED);  // 2052

// The string `id` of `module`'s string table in `language`; empty when absent.
std::wstring LoadResourceString(HMODULE module, UINT id, LANGID language);

// The library's own module (the DLL, or the Python module on Windows).
HMODULE LibraryModule();

}  // namespace karvelin::module
#endif
