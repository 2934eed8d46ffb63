// Texts of the process's ANSI code page in UTF-16, for the system's wide calls.
#pragma once

#ifdef _WIN32
#include <windows.h>

#include <string>

namespace karvelin::win32 {

// `text` in UTF-16; empty when it is empty or cannot be converted.
inline std::wstring WideFromAnsi(const std::string& text) {
    if (text.empty()) return std::wstring();
    const int length = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    if (length <= 0) return std::wstring();
    std::wstring wide(static_cast<std::size_t>(length), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], length);
    return wide;
}

}  // namespace karvelin::win32
#endif
