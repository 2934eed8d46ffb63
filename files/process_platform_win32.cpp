#include <windows.h>

#include "common/log_tell.h"
#include "common/sized_text.h"
#include "common/system_error.h"
#include "files/hidden_start_win32.h"
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

class SystemProcesses final : public ProcessPlatform {
public:
    std::optional<std::string> CommandInterpreter() override {
        bool absent = false;
        std::optional<std::string> value = ReadAnsweredText([&](char* buffer, DWORD size) {
            ::SetLastError(ERROR_SUCCESS);
            const DWORD length = ::GetEnvironmentVariableA("COMSPEC", buffer, size);
            absent = length == 0 && ::GetLastError() == ERROR_ENVVAR_NOT_FOUND;
            return length;
        });
        if (absent) return std::nullopt;
        return value.value_or(std::string());  // set, but empty
    }

    std::int32_t Run(const std::string& interpreter, const std::string& command, const ChildEnvironment&) override {
        const StartedProcess started = StartHidden(interpreter + kRunSwitch + command, CREATE_NEW_CONSOLE);
        if (!started.process) return Failed("start", interpreter);
        ::WaitForSingleObject(started.process.get(), INFINITE);
        DWORD exit_code = 0;
        // When the exit code cannot be read the answer is that query's error
        // code, like a failed start: there is no exit code to give.
        if (!::GetExitCodeProcess(started.process.get(), &exit_code)) return Failed("read exit code", interpreter);
        return static_cast<std::int32_t>(exit_code);  // 0xFFFFFFFF reads -1
    }
};

SystemProcesses g_process;

}  // namespace

ChildEnvironment ChildEnvironment::Copy() { return {}; }

ProcessPlatform& SystemProcess() { return g_process; }

}  // namespace karvelin::files
