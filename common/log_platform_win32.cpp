#include <windows.h>

#include <cerrno>
#include <cstdio>

#include "common/log_platform.h"
#include "common/sized_text.h"
#include "common/win32_owners.h"

namespace karvelin::log::platform {

std::string FileSetting() {
    return ReadAnsweredText([](char* buffer, DWORD size) {
               return ::GetEnvironmentVariableA("KARVELIN_LOG", buffer, size);
           })
        .value_or(std::string());
}

std::string Stamp() {
    SYSTEMTIME now{};
    ::GetSystemTime(&now);
    char text[96];
    std::snprintf(text, sizeof text, "%04u-%02u-%02uT%02u:%02u:%02u.%03uZ %lu %lu", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond, now.wMilliseconds,
                  static_cast<unsigned long>(::GetCurrentProcessId()),
                  static_cast<unsigned long>(::GetCurrentThreadId()));
    return text;
}

const char kLineEnd[] = "\r\n";

bool Append(const std::string& path, const std::string& line) noexcept {
    // FILE_APPEND_DATA alone: every write lands at the file's end, whoever
    // else writes to it.
    const win32::unique_hfile file{::CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                                 nullptr, OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr)};
    if (!file) return false;
    DWORD written = 0;
    return ::WriteFile(file.get(), line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
           written == line.size();
}

ProgramSink FindProgramSink() noexcept {
    static const ProgramSink sink = reinterpret_cast<ProgramSink>(
        reinterpret_cast<void*>(::GetProcAddress(::GetModuleHandleA(nullptr), kProgramSinkName)));
    return sink;
}

KeptError::KeptError() noexcept : errno_(errno), last_error_(::GetLastError()) {}
KeptError::~KeptError() {
    errno = errno_;
    ::SetLastError(last_error_);
}

}  // namespace karvelin::log::platform
