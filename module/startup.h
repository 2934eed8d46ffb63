// Start-up of the library when the system loads it into a process.
#pragma once

#include <cstdint>
#include <string>

#include "module/startup_platform.h"

namespace karvelin::module {

// Error-mode flags the library adds to the process error mode at load.
inline constexpr unsigned kFailCriticalErrors = 0x0001;  // SEM_FAILCRITICALERRORS
inline constexpr unsigned kNoOpenFileErrorBox = 0x8000;  // SEM_NOOPENFILEERRORBOX

// Socket version asked for and required: 1.1.
inline constexpr std::uint16_t kSocketVersion = 0x0101;

// What start-up recorded of the library.
struct LoadedLibrary {
    std::string display_name;
    bool sockets_started = false;
};

// The library's file name without folder and extension: "C:\dir\Karvelin.dll"
// gives "Karvelin".
std::string DisplayNameFromPath(const std::string& module_path);

// Runs the start-up steps in order. Answers false when the load must fail
// (sockets not started; the message box has then been shown and closed).
bool StartUp(StartupPlatform& platform, const std::string& module_path, LoadedLibrary& loaded);

// When the library is unloaded from a process that goes on: undoes what
// start-up began (the socket start-up). Not called when the process ends,
// where nothing may be torn down.
void ShutDown(StartupPlatform& platform, LoadedLibrary& loaded);

}  // namespace karvelin::module
