#include <windows.h>

#include <vector>

#include "common/win32_owners.h"
#include "files/process_platform.h"

namespace karvelin::files {
namespace {

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record of the 32-bit system");
#endif

class SystemProcesses final : public ProcessPlatform {
public:
    std::optional<std::string> CommandInterpreter() override {
        // Read into a buffer of the size the system asks for; the value may
        // grow between the two calls (another thread), so ask again then.
        std::vector<char> value(MAX_PATH);
        for (;;) {
            ::SetLastError(ERROR_SUCCESS);
            const DWORD length = ::GetEnvironmentVariableA("COMSPEC", value.data(), static_cast<DWORD>(value.size()));
            if (length == 0) {
                if (::GetLastError() == ERROR_ENVVAR_NOT_FOUND) return std::nullopt;
                return std::string();  // set, but empty
            }
            if (length < value.size()) return std::string(value.data(), length);
            value.resize(length);  // the size needed, with its NUL
        }
    }

    std::int32_t Run(const std::string&, std::string command_line) override {
        STARTUPINFOA startup{};
        startup.cb = sizeof startup;
        startup.dwFlags = STARTF_USESHOWWINDOW;
        startup.wShowWindow = SW_HIDE;
        PROCESS_INFORMATION info{};
        // No application name: the interpreter is the line's first token. The
        // system may write into the line, so it gets the string's own storage.
        if (!::CreateProcessA(nullptr, command_line.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr,
                              nullptr, &startup, &info))
            return static_cast<std::int32_t>(::GetLastError());
        win32::unique_handle process(info.hProcess);
        win32::unique_handle thread(info.hThread);  // declared last: closed first
        ::WaitForSingleObject(process.get(), INFINITE);
        DWORD exit_code = 0;
        // When the exit code cannot be read the answer is that query's error
        // code, like a failed start: there is no exit code to give.
        if (!::GetExitCodeProcess(process.get(), &exit_code)) return static_cast<std::int32_t>(::GetLastError());
        return static_cast<std::int32_t>(exit_code);  // 0xFFFFFFFF reads -1
    }
};

SystemProcesses g_process;

}  // namespace

ProcessPlatform& SystemProcess() { return g_process; }

}  // namespace karvelin::files
