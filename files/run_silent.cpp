#include "files/run_silent.h"

#include <string>
#include <utility>

namespace karvelin::files {

std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process) {
    const std::string interpreter = process.CommandInterpreter().value_or(kDefaultInterpreter);
    std::string line = interpreter;
    line += kRunSwitch;
    line += command;
    line += ' ';
    line += argument;
    if (line.size() + 1 > kMostCommandLine) return kLineTooLongAnswer;
    return process.Run(interpreter, std::move(line));
}

}  // namespace karvelin::files
