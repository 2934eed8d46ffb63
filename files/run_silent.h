// Running one command through the command interpreter, window hidden.
#pragma once

#include <cstdint>

#include "files/process_platform.h"

namespace karvelin::files {

// The interpreter when COMSPEC is not set.
inline constexpr char kDefaultInterpreter[] = "CMD.EXE";

// Runs "<interpreter> /c <command> <argument>" (plain concatenation, nothing
// quoted or escaped) and answers the interpreter's exit code, or the system's
// error code when it cannot be started. The line is built to fit: a line that
// is too long for the system is refused by the system, with its own code.
std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process);

}  // namespace karvelin::files
