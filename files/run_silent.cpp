#include "files/run_silent.h"

#include "common/no_throw.h"

namespace karvelin::files {

SilentRun::SilentRun(const char* command, const char* argument, ProcessPlatform& process) noexcept
    : process_(process) {
    refused_ = Guard(kNoMemoryAnswer, [&]() -> std::optional<std::int32_t> {
        interpreter_ = process.CommandInterpreter().value_or(kDefaultInterpreter);
        text_ = command;
        text_ += ' ';
        text_ += argument;
        // The whole line as Windows is handed it, with its NUL.
        const std::size_t line = interpreter_.size() + (sizeof kRunSwitch - 1) + text_.size() + 1;
        if (line > kMostCommandLine) return kLineTooLongAnswer;
        environment_ = ChildEnvironment::Copy();
        return std::nullopt;
    });
}

std::int32_t SilentRun::operator()() noexcept {
    if (refused_) return *refused_;
    return Guard(kNoMemoryAnswer, [&] { return process_.Run(interpreter_, text_, environment_); });
}

std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process) {
    return SilentRun(command, argument, process)();
}

}  // namespace karvelin::files
