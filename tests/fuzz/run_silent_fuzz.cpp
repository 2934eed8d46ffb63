// Fuzzer: what RunSilent hands the interpreter from any command, argument and
// interpreter (or none), compared with the plain concatenation; nothing is
// started.
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

#include "files/run_silent.h"

namespace {

class Recorder final : public karvelin::files::ProcessPlatform {
public:
    std::optional<std::string> interpreter;
    std::string ran_interpreter, ran_command;
    int runs = 0;
    std::optional<std::string> CommandInterpreter() override { return interpreter; }
    std::int32_t Run(const std::string& program, const std::string& command,
                     const karvelin::files::ChildEnvironment&) override {
        ran_interpreter = program;
        ran_command = command;
        ++runs;
        return 1234;
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    // Three texts separated by NUL bytes: command, argument, interpreter
    // (absent when the input holds fewer than two NUL bytes).
    std::vector<std::string> texts(1);
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0 && texts.size() < 3)
            texts.emplace_back();
        else
            texts.back() += static_cast<char>(data[i]);
    }
    Recorder process;
    if (texts.size() == 3) process.interpreter = texts[2];
    texts.resize(2);
    const std::string interpreter = process.interpreter.value_or("CMD.EXE");
    const std::int32_t answer = karvelin::files::RunSilent(texts[0].c_str(), texts[1].c_str(), process);
    if (answer != 1234 || process.runs != 1 || process.ran_interpreter != interpreter ||
        process.ran_command != texts[0] + " " + texts[1])
        std::abort();
    return 0;
}
