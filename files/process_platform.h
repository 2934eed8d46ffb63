// Starting a program through the command interpreter and waiting for its end.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace karvelin::files {

// What a call answers when it could not allocate: ERROR_NOT_ENOUGH_MEMORY,
// on Linux too (the answers of RunSilent are Windows error codes or exit
// codes there as well).
inline constexpr std::int32_t kNoMemoryAnswer = 8;

// Linux: what RunSilent answers when the command's end cannot be waited for
// (SIGCHLD ignored by the caller): -1, which no exit status of a Linux process
// reads (they are 0 to 255).
inline constexpr std::int32_t kNoExitStatus = -1;

// What joins the interpreter to the command on a Windows command line.
inline constexpr char kRunSwitch[] = " /c ";

// The environment a command starts with, read when this is made. A caller
// may let other threads run while its command starts and waits (the Python
// 3 face does), and they may change the process's environment meanwhile:
// os.environ moves the list of entries as it grows, and frees a replaced
// one. So Linux hands posix_spawn this copy, not the process's own list.
// On Windows it holds nothing: CreateProcessA is given no block, and the
// system copies the process's own under its lock.
class ChildEnvironment {
public:
    ChildEnvironment() = default;  // empty
    ChildEnvironment(ChildEnvironment&&) = default;
    ChildEnvironment& operator=(ChildEnvironment&&) = default;
    // The process's environment now; throws std::bad_alloc.
    static ChildEnvironment Copy();
#ifndef _WIN32
    // As posix_spawn takes it: the entries, then a null pointer.
    char* const* Entries() const {
        static char* const kNone[] = {nullptr};
        return entries_.empty() ? kNone : entries_.data();
    }

private:
    std::vector<std::string> texts_;
    std::vector<char*> entries_;  // into texts_, whose strings stay put when it is moved
#endif
};

class ProcessPlatform {
public:
    virtual ~ProcessPlatform() = default;
    // The command interpreter: on Windows the value of COMSPEC, nothing when
    // the variable is not set (an empty value is a value); on Linux "/bin/sh".
    virtual std::optional<std::string> CommandInterpreter() = 0;
    // Runs the command through the interpreter with its window hidden; waits
    // for its end and answers its exit code, or the system's error code when
    // it cannot be started. Windows hands the system the line
    // `<interpreter> /c <command>` (the program is its first token); Linux
    // runs `interpreter -c <command>`. The command gets `environment`
    // (Windows: the process's own).
    virtual std::int32_t Run(const std::string& interpreter, const std::string& command,
                             const ChildEnvironment& environment) = 0;
};

// CreateProcessA and COMSPEC on Windows; posix_spawn of /bin/sh on Linux.
ProcessPlatform& SystemProcess();

}  // namespace karvelin::files
