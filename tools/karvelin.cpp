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

#ifdef _WIN32
#include <windows.h>
#endif

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
    std::vector<Args> samples = {};  // the report's arguments, for functions that take some
};

Answer Code(ResultCode code) { return {Kind::Code, static_cast<std::int64_t>(code), {}}; }
Answer Number(std::int32_t value) { return {Kind::Number, value, {}}; }
Answer Text(const char* text) {
    Answer answer{Kind::Text, 0, text ? text : ""};
    answer.is_null = text == nullptr;
    return answer;
}

// A new text of the library's, given back once copied.
Answer NewText(char* text) {
    Answer answer = Text(text);
    if (text) KARVELIN_FREE_TEXT(text);
    return answer;
}

// A trimming function on a copy of the argument; shows what it left, up to
// the argument's old length (NUL bytes as \0).
Answer Trimmed(void (*trim)(char*), const std::string& text) {
    std::vector<char> buffer(text.begin(), text.end());
    buffer.push_back('\0');
    trim(buffer.data());
    std::string shown;
    for (std::size_t i = 0; i < text.size(); ++i) shown += buffer[i] ? std::string(1, buffer[i]) : "\\0";
    return {Kind::Text, 0, shown};
}

std::uint32_t Count(const Args& a, std::size_t index, const std::string& text) {
    return a.size() > index ? static_cast<std::uint32_t>(std::strtoul(a[index].c_str(), nullptr, 0))
                            : static_cast<std::uint32_t>(text.size());
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
        {"Recode", "TEXT [COUNT]", 1, true,
         [](const Args& a) { return NewText(Recode(a[0].c_str(), Count(a, 1, a[0]))); }, {{"abc"}}},
        {"Decode", "TEXT [COUNT]", 1, true,
         [](const Args& a) { return NewText(Decode(a[0].c_str(), Count(a, 1, a[0]))); }, {{"?E8>17"}}},
        {"TrimRight", "TEXT", 1, true, [](const Args& a) { return Trimmed(TrimRight, a[0]); }, {{"  ab  "}}},
        {"TrimLeft", "TEXT", 1, true, [](const Args& a) { return Trimmed(TrimLeft, a[0]); }, {{"  ab  "}}},
        {"ValidateNet", "HOST MASK NETWORK OTHER", 4, true,
         [](const Args& a) { return Code(ValidateNet(a[0].c_str(), a[1].c_str(), a[2].c_str(), a[3].c_str())); },
         {{"192.168.1.10", "255.255.255.0", "192.168.1.0", "192.168.1.1"},
          {"192.168.1.10", "255.255.255.0", "192.168.2.0", "192.168.1.1"}}},
        {"ValidateTheIP", "ADDRESS", 1, true, [](const Args& a) { return Number(ValidateTheIP(a[0].c_str())); },
         {{"192.168.1.10"}, {"127.0.0.1"}, {"224.0.0.1"}}},
        {"IsLetterfigureString", "TEXT", 1, true,
         [](const Args& a) { return Code(IsLetterfigureString(a[0].c_str())); }, {{"abc123"}, {"a_b"}}},
        {"CheckBureauName", "NAME", 1, true, [](const Args& a) { return Code(CheckBureauName(a[0].c_str())); },
         {{"Bureau_1"}, {"1st"}}},
        {"CheckDestFileDir", "PATH", 1, true, [](const Args& a) { return Code(CheckDestFileDir(a[0].c_str())); },
         {{"C:\\Server"}, {"C:\\"}, {"C:\\app.1"}, {"Q:\\Server"}}},
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
            std::printf("%-44s %10u  %s\n", label.c_str(), static_cast<unsigned>(code), name ? name : "(unknown)");
            break;
        }
        case Kind::Number:
            std::printf("%-44s %10lld\n", label.c_str(), static_cast<long long>(answer.number));
            break;
        case Kind::Text:
            if (answer.is_null)
                std::printf("%-44s (null)\n", label.c_str());
            else
                std::printf("%-44s \"%s\"\n", label.c_str(), answer.text.c_str());
            break;
    }
}

int Report() {
    for (const Command& command : Commands()) {
        if (!command.in_report) continue;
        if (command.samples.empty()) Print(command.name, command.call({}));
        for (const Args& sample : command.samples) {
            std::string label = command.name;
            for (const std::string& arg : sample) label += " '" + arg + "'";
            Print(label, command.call(sample));
        }
    }
    // The description of every code the library answers.
    for (const karvelin::CodeName& entry : karvelin::kResultCodeNames)
        std::printf("%-44s %10u  %-24s \"%s\"\n", "GetErrorDescription", static_cast<unsigned>(entry.code),
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
        const bool counted = verb == "Recode" || verb == "Decode";  // TEXT [COUNT]
        if (args.size() != command.arity && !(counted && args.size() == command.arity + 1)) {
            std::fprintf(stderr, "usage: karvelin %s %s\n", command.name, command.usage);
            return 2;
        }
        Print(command.name, command.call(args));
        return 0;
    }
    std::fprintf(stderr, "karvelin: no function named %s\n", verb.c_str());
    return Usage();
}
