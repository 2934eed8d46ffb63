// karvelin: the library's functions from the command line.
//
//   karvelin report              every check and query without side effects,
//                                with its answer (and a ResultCode's name)
//   karvelin FUNCTION [ARG...]   one function with the given arguments
//   karvelin list                the functions this program can call
//
// On Windows it calls Karvelin.dll through its import library; on Linux, the
// native library.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "Karvelin.h"
#include "module/result_codes.h"

namespace {

using Args = std::vector<std::string>;

enum class Kind { Code, Number, Text };

struct Answer {
    Kind kind;
    std::int64_t number = 0;
    std::string text;
    bool is_null = false;
};

struct Command {
    const char* name;
    const char* usage;  // argument names, for `list` and errors
    std::size_t arity;
    bool in_report;     // no side effects: part of `report`
    std::function<Answer(const Args&)> call;
};

Answer Code(ResultCode code) { return {Kind::Code, static_cast<std::int64_t>(code), {}}; }
Answer Number(std::int32_t value) { return {Kind::Number, value, {}}; }
Answer Text(const char* text) {
    Answer answer{Kind::Text, 0, text ? text : ""};
    answer.is_null = text == nullptr;
    return answer;
}

// An integer argument as the module takes it: a signed 32-bit value (a larger
// unsigned one is read as its 32 bits).
std::int32_t IntArg(const std::string& text) {
    return static_cast<std::int32_t>(std::strtoll(text.c_str(), nullptr, 0));
}

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {
        {"CheckOS", "", 0, true, [](const Args&) { return Code(CheckOS()); }},
        {"CheckIeVersion", "", 0, true, [](const Args&) { return Code(CheckIeVersion()); }},
        {"FindServerVersion", "", 0, true, [](const Args&) { return Number(FindServerVersion()); }},
        {"GetErrorDescription", "CODE", 1, false,
         [](const Args& a) { return Text(GetErrorDescription(static_cast<ResultCode>(IntArg(a[0])))); }},
    };
    return commands;
}

void Print(const std::string& label, const Answer& answer) {
    switch (answer.kind) {
        case Kind::Code: {
            const auto code = static_cast<ResultCode>(answer.number);
            const char* name = karvelin::ResultCodeName(code);
            std::printf("%-24s %10u  %s\n", label.c_str(), static_cast<unsigned>(code), name ? name : "(unknown)");
            break;
        }
        case Kind::Number:
            std::printf("%-24s %10lld\n", label.c_str(), static_cast<long long>(answer.number));
            break;
        case Kind::Text:
            if (answer.is_null)
                std::printf("%-24s (null)\n", label.c_str());
            else
                std::printf("%-24s \"%s\"\n", label.c_str(), answer.text.c_str());
            break;
    }
}

int Report() {
    for (const Command& command : Commands())
        if (command.in_report) Print(command.name, command.call({}));
    // The description of every code the library answers.
    for (const karvelin::CodeName& entry : karvelin::kResultCodeNames)
        std::printf("%-24s %10u  %-24s \"%s\"\n", "GetErrorDescription", static_cast<unsigned>(entry.code),
                    entry.name, GetErrorDescription(entry.code));
    return 0;
}

int Usage() {
    std::fprintf(stderr, "usage: karvelin report | list | FUNCTION [ARG...]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Usage();
    const std::string verb = argv[1];
    if (verb == "report") return Report();
    if (verb == "list") {
        for (const Command& command : Commands()) std::printf("%s %s\n", command.name, command.usage);
        return 0;
    }
    for (const Command& command : Commands()) {
        if (verb != command.name) continue;
        const Args args(argv + 2, argv + argc);
        if (args.size() != command.arity) {
            std::fprintf(stderr, "usage: karvelin %s %s\n", command.name, command.usage);
            return 2;
        }
        Print(command.name, command.call(args));
        return 0;
    }
    std::fprintf(stderr, "karvelin: no function named %s\n", verb.c_str());
    return Usage();
}
