#include "files/run_silent.h"

#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#endif

#include <optional>
#include <string>
#include <vector>

#include "log_capture.h"

namespace karvelin::files {
namespace {

// Records what is started and answers a given code; or, `real`, starts it.
class RecordingProcess final : public ProcessPlatform {
public:
    std::optional<std::string> comspec;
    std::int32_t answer = 0;
    bool real = false;
    std::vector<std::string> interpreters, commands;
    std::optional<std::string> CommandInterpreter() override { return comspec; }
    std::int32_t Run(const std::string& interpreter, const std::string& command,
                     const ChildEnvironment& environment) override {
        interpreters.push_back(interpreter);
        commands.push_back(command);
        return real ? SystemProcess().Run(interpreter, command, environment) : answer;
    }
};

const std::string kComspec = "C:\\WINDOWS\\system32\\cmd.exe";

TEST(RunSilent, HandsTheInterpreterThePlainConcatenation) {
    // Padding that makes the whole line (with "CMD.EXE /c exit ") n characters.
    const auto padded = [](std::size_t n) { return "3 " + std::string(n - 18, 'x'); };
    const struct {
        std::optional<std::string> comspec;
        std::string command, argument;
        std::string text;  // what the interpreter is handed; "" when nothing starts
        std::int32_t answer;
    } cases[] = {
        {std::nullopt, "copy a.txt", "b.txt", "copy a.txt b.txt", 0},
        {kComspec, "copy a.txt", "b.txt", "copy a.txt b.txt", 3},
        {std::string(), "dir", "x", "dir x", 2},  // set but empty: used as it is
        {std::nullopt, "dir", "", "dir ", 0},
        {std::nullopt, "", "", " ", 0},
        {std::nullopt, "echo \"a & b\"", "> out.txt 2>&1 | more ^& %PATH%",
         "echo \"a & b\" > out.txt 2>&1 | more ^& %PATH%", -1},
        // Past the old 4095-character limit the line is passed whole, up to
        // the system's 32,767 characters with the NUL; a longer one is
        // refused here and nothing starts.
        {std::nullopt, "exit", padded(4095), "exit " + padded(4095), 5},
        {std::nullopt, "exit", padded(32766), "exit " + padded(32766), 5},
        {std::nullopt, "exit", padded(32767), "", 206},
        {kComspec, "exit", padded(32767 - kComspec.size() + 7), "", 206},  // the interpreter's name counts
        {std::nullopt, "exit", padded(65573), "", 206},
    };
    for (const auto& c : cases) {
        RecordingProcess process;
        process.comspec = c.comspec;
        process.answer = c.answer;
        test::LogCapture log;
        EXPECT_EQ(RunSilent(c.command.c_str(), c.argument.c_str(), process), c.answer) << c.text.substr(0, 40);
        // The command and the argument's size, never the argument.
        EXPECT_TRUE(log.Has(c.text.empty() ? "failure RunSilent: compose: command line of "
                                           : " /c " + c.command + " and an argument of " +
                                                 std::to_string(c.argument.size()) + " bytes: answer "))
            << log.Lines().substr(0, 200);
        if (c.text.empty()) {
            EXPECT_TRUE(process.commands.empty());
            continue;
        }
        ASSERT_EQ(process.commands.size(), 1u);
        EXPECT_EQ(process.commands[0], c.text) << c.text.substr(0, 40);
        EXPECT_EQ(process.interpreters[0], c.comspec.value_or("CMD.EXE"));
    }
}

#ifndef _WIN32
// The real shell: `/bin/sh -c "<command> <argument>"`.
TEST(RunSilent, LinuxShellAnswers) {
    const struct {
        const char* shell;
        std::string command, argument;
        std::int32_t expected;
    } cases[] = {
        {"/bin/sh", "exit", "0", 0}, {"/bin/sh", "exit", "3", 3}, {"/bin/sh", "exit", "255", 255},
        {"/bin/sh", "test \"a b\" = 'a b' &&", "exit 4", 4},  // quotes reach the shell unchanged
        {"/bin/sh", "kill -9", "$$", 128 + 9},                 // ended by a signal
        {"/bin/sh", "exit 5 #", std::string(30000, 'x'), 5},
        {"/no/such/shell", "exit", "0", 2},  // ENOENT
    };
    for (const auto& c : cases) {
        RecordingProcess process;
        process.comspec = c.shell;
        process.real = true;
        test::LogCapture log;
        EXPECT_EQ(RunSilent(c.command.c_str(), c.argument.c_str(), process), c.expected) << c.command;
        EXPECT_EQ(log.Has("failure RunSilent: start: /no/such/shell: error 2: "), c.expected == 2) << log.Lines();
    }
    // A caller that ignores SIGCHLD: the status is gone, and the answer is
    // one no exit status reads (not errno's ECHILD, 10, which one could).
    struct sigaction ignore {}, saved{};
    ignore.sa_handler = SIG_IGN;
    ::sigaction(SIGCHLD, &ignore, &saved);
    const std::int32_t answer = RunSilent("exit", "10", SystemProcess());
    ::sigaction(SIGCHLD, &saved, nullptr);
    EXPECT_EQ(answer, kNoExitStatus);

    // The command gets the environment read when the call was made ready, not
    // the process's list at its start, which another thread may be changing.
    ::setenv("KARVELIN_READY", "made", 1);
    SilentRun run("test \"$KARVELIN_READY\" = made", "", SystemProcess());
    ::setenv("KARVELIN_READY", "changed since", 1);
    EXPECT_EQ(run(), 0);
    ::unsetenv("KARVELIN_READY");
}
#endif

}  // namespace
}  // namespace karvelin::files
