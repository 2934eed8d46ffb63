// karvelin: the library's functions from the command line.
//
//   karvelin report              every function without side effects, with
//                                its answer (and a ResultCode's name)
//   karvelin FUNCTION [ARG...]   one function with the given arguments; a
//                                text buffer may be "@SIZE/FIELDS" (SIZE
//                                bytes, shown as records of FIELDS fields)
//   karvelin list                the functions and their arguments
//
// On Windows it calls Karvelin.dll through its import library; on Linux, the
// native library. The functions come from the library's function table.
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Karvelin.h"
#include "module/function_table.h"
#include "module/result_codes.h"

namespace {

using Args = std::vector<std::string>;

// The report's arguments for the functions that take some; a function that
// takes arguments and has no sample here is left out of the report (those
// that change the host, above all).
const std::map<std::string, std::vector<Args>> kReportSamples = {
    {"Recode", {{"abc"}}},
    {"Decode", {{"?E8>17"}}},
    {"GetAddress", {{"@65536/5"}}},
    {"GetHostIPAddr", {{"@65536/1"}}},
    {"TrimRight", {{"  ab  "}}},
    {"TrimLeft", {{"  ab  "}}},
    {"ValidateNet",
     {{"192.168.1.10", "255.255.255.0", "192.168.1.0", "192.168.1.1"},
      {"192.168.1.10", "255.255.255.0", "192.168.2.0", "192.168.1.1"}}},
    {"ValidateTheIP", {{"192.168.1.10"}, {"127.0.0.1"}, {"224.0.0.1"}}},
    {"IsLetterfigureString", {{"abc123"}, {"a_b"}}},
    {"CheckBureauName", {{"Bureau_1"}, {"1st"}}},
    {"CheckDestFileDir", {{"C:\\Server"}, {"C:\\"}, {"C:\\app.1"}, {"Q:\\Server"}}},
};

// One printed line: the label, then the answer as its type shows it.
void PrintCode(const std::string& label, ResultCode code) {
    const char* name = karvelin::ResultCodeName(code);
    std::printf("%-44s %10u  %s\n", label.c_str(), static_cast<unsigned>(code), name ? name : "(unknown)");
}
void PrintNumber(const std::string& label, std::int32_t value) {
    std::printf("%-44s %10d\n", label.c_str(), static_cast<int>(value));
}
void PrintText(const std::string& label, const char* text) {
    if (text)
        std::printf("%-44s \"%s\"\n", label.c_str(), text);
    else
        std::printf("%-44s (null)\n", label.c_str());
}
void PrintResult(const std::string& label, ResultCode code) { PrintCode(label, code); }
void PrintResult(const std::string& label, std::int32_t value) { PrintNumber(label, value); }
void PrintResult(const std::string& label, const char* text) { PrintText(label, text); }

// A number argument: a signed or unsigned 32-bit value, read as its 32 bits.
bool ParseNumber(const std::string& text, std::uint32_t& value) {
    char* end = nullptr;
    errno = 0;
    const long long number = std::strtoll(text.c_str(), &end, 0);
    if (text.empty() || *end != '\0' || errno == ERANGE || number < INT32_MIN || number > UINT32_MAX) return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

// Argument holders, one per C parameter type.
template <typename T>
struct Param;
template <>
struct Param<const char*> {
    std::string text;
    bool Take(const std::string& arg) {
        text = arg;
        return true;
    }
    const char* Value() const { return text.c_str(); }
};
template <>
struct Param<std::uint32_t> {
    std::uint32_t number = 0;
    bool Take(const std::string& arg) { return ParseNumber(arg, number); }
    std::uint32_t Value() const { return number; }
};
// A text buffer: a copy of the argument, shown afterwards up to its old
// length (NUL bytes as \0); 64 KiB of NUL bytes follow it, so that a function
// that writes more (GetAddress, GetHostIPAddr) stays inside. "@SIZE/FIELDS"
// gives SIZE NUL bytes instead, shown afterwards up to the first NUL as
// tab-ended records of FIELDS fields, one a line.
template <>
struct Param<char*> {
    static constexpr std::size_t kRoom = 65536;
    std::vector<char> buffer;
    std::size_t length = 0;
    unsigned fields = 0;  // records: fields per line
    bool Take(const std::string& arg) {
        unsigned size = 0;
        char end = 0;
        if (std::sscanf(arg.c_str(), "@%u/%u%c", &size, &fields, &end) == 2 && fields > 0) {
            buffer.assign(size + std::size_t{1}, '\0');
            return true;
        }
        fields = 0;
        buffer.assign(arg.begin(), arg.end());
        buffer.resize(arg.size() + kRoom, '\0');
        length = arg.size();
        return true;
    }
    char* Value() { return buffer.data(); }
    std::string Shown() const {
        std::string shown;
        for (std::size_t i = 0; i < length; ++i) shown += buffer[i] ? std::string(1, buffer[i]) : "\\0";
        return shown;
    }
    // The records, tabs shown as " | ", each line indented.
    std::string Records() const {
        std::string shown = "    ";
        unsigned field = 0;
        for (const char* c = buffer.data(); *c; ++c) {
            if (*c != '\t') {
                shown += *c;
            } else if (++field % fields != 0) {
                shown += " | ";
            } else {
                shown += c[1] ? " |\n    " : " |";
            }
        }
        return shown;
    }
};

// Calls a function with the given arguments and prints its answer; 2 for
// arguments it cannot take.
template <typename Signature>
struct Invoke;

template <typename R, typename... A>
struct Invoke<R (*)(A...)> {
    static constexpr std::size_t kArity = sizeof...(A);
    static int Run(R (*function)(A...), const std::string& label, const Args& args) {
        if (args.size() != kArity) return 2;
        return Call(function, label, args, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static int Call(R (*function)(A...), const std::string& label, const Args& args, std::index_sequence<I...>) {
        std::tuple<Param<A>...> params;
        if (!(std::get<I>(params).Take(args[I]) && ...)) return 2;
        if constexpr (std::is_void_v<R>)
            function(std::get<I>(params).Value()...);
        else
            PrintResult(label, function(std::get<I>(params).Value()...));
        // The text buffers, as the function left them.
        (ShowBuffer(label, std::get<I>(params)), ...);
        return 0;
    }
    template <typename P>
    static void ShowBuffer(const std::string& label, const P& param) {
        if constexpr (std::is_same_v<P, Param<char*>>) {
            if (param.fields)
                std::printf("%s\n", param.Records().c_str());
            else
                PrintText(label, param.Shown().c_str());
        }
    }
};

// A text and a count (Recode, Decode): the count may be left out (the whole
// text) and must lie within the text, so the library never reads past it.
template <>
struct Invoke<char* (*)(const char*, std::uint32_t)> {
    static constexpr std::size_t kArity = 2;
    static int Run(char* (*function)(const char*, std::uint32_t), const std::string& label, const Args& args) {
        if (args.empty() || args.size() > 2) return 2;
        std::uint32_t count = static_cast<std::uint32_t>(args[0].size());
        if (args.size() == 2 && !ParseNumber(args[1], count)) return 2;
        if (count > args[0].size()) {
            std::fprintf(stderr, "karvelin: count %u is outside the text of %zu bytes\n", static_cast<unsigned>(count),
                         args[0].size());
            return 2;
        }
        char* text = function(args[0].c_str(), count);
        PrintText(label, text);
        if (text) KARVELIN_FREE_TEXT(text);
        return 0;
    }
};

struct Command {
    const char* name;
    const char* arguments;
    std::size_t arity;
    int (*run)(const std::string& label, const Args& args);
};

#define KARVELIN_COMMAND(name, type, arguments, python, lock)                                          \
    {#name, arguments, Invoke<decltype(&::name)>::kArity,                                              \
     [](const std::string& label, const Args& args) { return Invoke<decltype(&::name)>::Run(&::name, label, args); }},
const Command kCommands[] = {KARVELIN_FUNCTIONS(KARVELIN_COMMAND)};
#undef KARVELIN_COMMAND

int Report() {
    for (const Command& command : kCommands) {
        const auto samples = kReportSamples.find(command.name);
        if (samples == kReportSamples.end()) {
            if (command.arity == 0) command.run(command.name, {});
            continue;
        }
        for (const Args& sample : samples->second) {
            std::string label = command.name;
            for (const std::string& arg : sample) label += " '" + arg + "'";
            command.run(label, sample);
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
        for (const Command& command : kCommands) std::printf("%s %s\n", command.name, command.arguments);
        return 0;
    }
    for (const Command& command : kCommands) {
        if (verb != command.name) continue;
        const int status = command.run(command.name, Args(argv + 2, argv + argc));
        if (status == 2) std::fprintf(stderr, "usage: karvelin %s %s\n", command.name, command.arguments);
        return status;
    }
    std::fprintf(stderr, "karvelin: no function named %s\n", verb.c_str());
    return Usage();
}
