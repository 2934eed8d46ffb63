#include "files/run_silent.h"

#include <cstring>

#include "common/log_tell.h"

namespace karvelin::files {
namespace {

constexpr char kFunction[] = "RunSilent";

}  // namespace

SilentRun::SilentRun(const char* command, const char* argument, ProcessPlatform& process) noexcept
    : process_(process) {
    refused_ = Guard(kNoMemoryAnswer, [&]() -> std::optional<std::int32_t> {
        interpreter_ = process.CommandInterpreter().value_or(kDefaultInterpreter);
        command_size_ = std::strlen(command);
        text_ = command;
        text_ += ' ';
        text_ += argument;
        // The whole line as Windows is handed it, with its NUL.
        const std::size_t line = interpreter_.size() + (sizeof kRunSwitch - 1) + text_.size() + 1;
        if (line > kMostCommandLine) {
            log::Tell([&] {
                log::Failure(kFunction, "compose: command line of " + std::to_string(line) + " characters: more than " +
                                            std::to_string(kMostCommandLine));
            });
            return kLineTooLongAnswer;
        }
        environment_ = ChildEnvironment::Copy();
        return std::nullopt;
    });
    if (refused_ == kNoMemoryAnswer) log::Tell([] { log::Failure(kFunction, "compose: no memory"); });
}

std::int32_t SilentRun::operator()() noexcept {
    if (refused_) return *refused_;
    const std::int32_t answer = Guard(kNoMemoryAnswer, [&] { return process_.Run(interpreter_, text_, environment_); });
    log::Tell([&] {
        log::Step(kFunction, "run: " + interpreter_ + kRunSwitch + text_.substr(0, command_size_) +
                                 " and an argument of " + std::to_string(text_.size() - command_size_ - 1) +
                                 " bytes: answer " + std::to_string(answer));
    });
    return answer;
}

std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process) {
    return SilentRun(command, argument, process)();
}

}  // namespace karvelin::files
