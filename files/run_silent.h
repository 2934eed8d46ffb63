// Running one command through the command interpreter, window hidden.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "files/process_platform.h"

namespace karvelin::files {

// The interpreter when COMSPEC is not set.
inline constexpr char kDefaultInterpreter[] = "CMD.EXE";

// The longest command line the system takes, in characters with its NUL, and
// what a longer one answers: ERROR_FILENAME_EXCED_RANGE (on Linux too).
inline constexpr std::size_t kMostCommandLine = 32767;
inline constexpr std::int32_t kLineTooLongAnswer = 206;

// Runs "<command> <argument>" (plain concatenation, nothing quoted or
// escaped) through the interpreter, as the line "<interpreter> /c <command>
// <argument>", and answers the interpreter's exit code, or the system's error
// code when it cannot be started. The command text is built to fit (8 when it
// cannot be had); a line longer than the system takes is refused here, and
// nothing is started: some systems would run it cut short.
std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process);

// RunSilent in two steps, for a caller that lets its other threads run while
// the command waits: making it reads all the call takes from the process
// (the interpreter's name, the environment) and composes the line, so the
// caller makes it while those threads are held; calling it starts the
// command and waits for its end. Neither step throws: what cannot be
// allocated answers 8.
class SilentRun {
public:
    SilentRun(const char* command, const char* argument, ProcessPlatform& process) noexcept;
    std::int32_t operator()() noexcept;

private:
    ProcessPlatform& process_;
    std::string interpreter_, text_;
    std::size_t command_size_ = 0;  // the log shows the command, and of the argument only its size
    ChildEnvironment environment_;
    std::optional<std::int32_t> refused_;  // the answer when nothing is to start
};

}  // namespace karvelin::files
