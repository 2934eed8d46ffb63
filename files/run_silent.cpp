#include "files/run_silent.h"

#include <string>

namespace karvelin::files {

std::int32_t RunSilent(const char* command, const char* argument, ProcessPlatform& process) {
    const std::string interpreter = process.CommandInterpreter().value_or(kDefaultInterpreter);
    std::string text = command;
    text += ' ';
    text += argument;
    // The whole line as Windows is handed it, with its NUL.
    const std::size_t line = interpreter.size() + (sizeof kRunSwitch - 1) + text.size() + 1;
    if (line > kMostCommandLine) return kLineTooLongAnswer;
    return process.Run(interpreter, text);
}

}  // namespace karvelin::files
