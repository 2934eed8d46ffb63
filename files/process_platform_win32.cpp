#include <windows.h>

#include "common/log_tell.h"
#include "common/sized_text.h"
#include "common/system_error.h"
#include "common/win32_owners.h"
#include "files/process_platform.h"

namespace karvelin::files {
namespace {

// Only this side knows the system's error of a start; the line names the
// interpreter, never the command line, which holds the caller's argument.
std::int32_t Failed(const char* step, const std::string& interpreter) {
    const DWORD error = ::GetLastError();
    log::Tell([&] { log::Failure("RunSilent", std::string(step) + ": " + interpreter + ": " + ErrorText(error)); });
    return static_cast<std::int32_t>(error);
}

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record of the 32-bit system");
#endif

class SystemProcesses final : public ProcessPlatform {
public:
    std::optional<std::string> CommandInterpreter() override {
        bool absent = false;
        std::optional<std::string> value = ReadSizedText([&](char* buffer, std::size_t size, std::size_t& needed) {
            ::SetLastError(ERROR_SUCCESS);
            const DWORD length = ::GetEnvironmentVariableA("COMSPEC", buffer, static_cast<DWORD>(size));
            absent = length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
            // Too small: the length is the size needed, with its NUL.
            needed = length < size ? length + 1 : length;
            return !absent;
        });
        if (absent) return std::nullopt;
        return value.value_or(std::string());  // set, but empty
    }

    std::int32_t Run(const std::string& interpreter, const std::string& command, const ChildEnvironment&) override {
        std::string command_line = interpreter + kRunSwitch + command;
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info{};
        // No application name: the interpreter is the line's first token. The
        // system may write into the line, so it gets a string of its own.
        if (!::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                              nullptr, &startup, &info))
            return Failed("start", interpreter);
        win32::unique_handle process(info.hProcess);
        win32::unique_handle thread(info.hThread);  // declared last: closed first
        ::WaitForSingleObject(process.get(), INFINITE);
        DWORD exit_code = 0;
        // When the exit code cannot be read the answer is that query's error
        // code, like a failed start: there is no exit code to give.
        if (!::GetExitCodeProcess(process.get(), &exit_code)) return Failed("read exit code", interpreter);
        return static_cast<std::int32_t>(exit_code);  // 0xFFFFFFFF reads -1
    }
};

SystemProcesses g_process;

}  // namespace

ChildEnvironment ChildEnvironment::Copy() { return {}; }

ProcessPlatform& SystemProcess() { return g_process; }

}  // namespace karvelin::files
