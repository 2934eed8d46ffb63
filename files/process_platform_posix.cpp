// Linux runs the command through the shell: `<shell> -c "<command> <argument>"`.
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

#include "common/log_tell.h"
#include "common/system_error.h"
#include "files/process_platform.h"

extern char** environ;

namespace karvelin::files {
namespace {

constexpr char kShell[] = "/bin/sh";

// Only this side knows the system's error of a start; the line names the
// interpreter, never the command line, which holds the caller's argument.
void TellFailure(const char* step, const std::string& interpreter, int error) {
    log::Tell([&] { log::Failure("RunSilent", std::string(step) + ": " + interpreter + ": " + ErrorText(error)); });
}

class SystemProcesses final : public ProcessPlatform {
public:
    std::optional<std::string> CommandInterpreter() override { return std::string(kShell); }

    // Answers the exit status; 128 + the signal's number for a child that a
    // signal ended (as the shells do); errno when the shell cannot be started
    // (2, ENOENT, for a missing one, as on Windows); kNoExitStatus when its
    // end cannot be waited for (ECHILD, for a caller that ignores SIGCHLD:
    // the system reaps the child itself, and its status is gone).
    std::int32_t Run(const std::string& interpreter, const std::string& command,
                     const ChildEnvironment& environment) override {
        std::string name = interpreter, switch_c = "-c", text = command;  // argv's own storage
        char* argv[] = {name.data(), switch_c.data(), text.data(), nullptr};
        pid_t child = 0;
        if (const int error = ::posix_spawn(&child, interpreter.c_str(), nullptr, nullptr, argv,
                                              environment.Entries())) {
            TellFailure("start", interpreter, error);
            return error;
        }
        int status = 0;
        while (::waitpid(child, &status, 0) < 0)
            if (errno != EINTR) {
                TellFailure("wait", interpreter, errno);
                return kNoExitStatus;
            }
        if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
        return WEXITSTATUS(status);
    }
};

SystemProcesses g_process;

}  // namespace

ChildEnvironment ChildEnvironment::Copy() {
    ChildEnvironment copy;
    for (char** entry = environ; entry && *entry; ++entry) copy.texts_.emplace_back(*entry);
    copy.entries_.reserve(copy.texts_.size() + 1);
    for (std::string& text : copy.texts_) copy.entries_.push_back(text.data());
    copy.entries_.push_back(nullptr);
    return copy;
}

ProcessPlatform& SystemProcess() { return g_process; }

}  // namespace karvelin::files
