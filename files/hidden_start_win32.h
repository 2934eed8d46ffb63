// A program started with its window hidden, the way RunSilent and the tree
// removal's clean-up commands start theirs.
#pragma once

#include <windows.h>

#include <string>

#include "common/win32_owners.h"

namespace karvelin::files {

#ifndef _WIN64
static_assert(sizeof(STARTUPINFOA) == 68, "the start-up record of the 32-bit system");
#endif

// The started program's process and thread; both empty when it could not be
// started (the thread's last error tells why).
struct StartedProcess {
    win32::unique_handle process;
    win32::unique_handle thread;  // declared last: closed first
};

// No application name: the program is the line's first token. The system
// may write into the line, so it gets a string of its own. `flags` say how
// its console is made (CREATE_NEW_CONSOLE, CREATE_NO_WINDOW).
inline StartedProcess StartHidden(std::string command_line, DWORD flags) {
    STARTUPINFOA startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESHOWWINDOW;
    startup.wShowWindow = SW_HIDE;
    PROCESS_INFORMATION info{};
    StartedProcess started;
    if (::CreateProcessA(nullptr, &command_line[0], nullptr, nullptr, FALSE, flags, nullptr, nullptr, &startup,
                         &info)) {
        started.process.reset(info.hProcess);
        started.thread.reset(info.hThread);
    }
    return started;
}

}  // namespace karvelin::files
