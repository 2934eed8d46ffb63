// How the program shows what it calls: usage lines, and answers as text.
#include <cstdio>
#include <string>

#include "module/result_codes.h"
#include "tools/call.h"

namespace karvelin::program {

std::string Usage(const Command& command) {
    std::string usage, names = command.arguments;
    for (std::size_t i = 0, start = 0; start < names.size(); ++i) {
        std::size_t end = names.find(' ', start);
        if (end == std::string::npos) end = names.size();
        const std::string name = names.substr(start, end - start);
        usage += (i ? " " : "") + (i < command.least ? name : "[" + name + "]");
        start = end + 1;
    }
    return usage;
}

std::string CodeName(ResultCode code) {
    const char* name = ResultCodeName(code);
    return name ? name : "(unknown)";
}

std::string Shown(const std::string& text) {
    std::string shown;
    for (char c : text) shown += c ? std::string(1, c) : "\\0";
    return shown;
}

void PrintAnswer(const Command& command, const Answer& answer) {
    const char* label = command.name;
    switch (answer.kind) {
        case Answer::kCode:
            std::printf("%-44s %10u  %s\n", label, static_cast<unsigned>(answer.code), CodeName(answer.code).c_str());
            break;
        case Answer::kNumber:
            // A negative HRESULT reads as its hexadecimal form (0x80070003),
            // which is how the system's documents name it.
            if (command.failure == Failure::Hresult && answer.number < 0)
                std::printf("%-44s %10d  0x%08X\n", label, static_cast<int>(answer.number),
                            static_cast<unsigned>(answer.number));
            else
                std::printf("%-44s %10d\n", label, static_cast<int>(answer.number));
            break;
        case Answer::kText:
            if (answer.null_text)
                std::printf("%-44s (null)\n", label);
            else
                std::printf("%-44s \"%s\"\n", label, answer.text.c_str());
            break;
        case Answer::kNone:
            break;
    }
    for (const std::string& buffer : answer.buffers) std::printf("%-44s \"%s\"\n", label, Shown(buffer).c_str());
    for (std::size_t i = 0; i < answer.records.size(); ++i) {
        const bool first = i % answer.fields == 0, last = (i + 1) % answer.fields == 0;
        std::printf("%s%s |%s", first ? "    " : " ", answer.records[i].c_str(), last ? "\n" : "");
    }
    if (answer.records.size() % (answer.fields ? answer.fields : 1)) std::printf("\n");
    if (!answer.outcome.empty()) std::printf("%-44s %s\n", label, answer.outcome.c_str());
}

}  // namespace karvelin::program
