// Calling one of the library's functions from command-line arguments, and its
// answer as the program shows it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "module/function_table.h"

namespace karvelin::program {

using Args = std::vector<std::string>;

// The rows of the function table, by name: a key that the compiler checks.
#define KARVELIN_ROW(name, ...) name,
enum class Row : std::size_t { KARVELIN_FUNCTIONS(KARVELIN_ROW) kCount };
#undef KARVELIN_ROW

// One function's answer, as its type shows it, and the text buffers it wrote.
struct Answer {
    enum Kind { kNone, kCode, kNumber, kText } kind = kNone;
    std::uint32_t code = 0;
    std::int32_t number = 0;
    bool null_text = false;
    std::string text;
    std::vector<std::string> buffers;  // as the function left them, NUL bytes included (the
                                       // old NUL's byte only when it was written over)
    std::vector<std::string> records;  // "@SIZE/FIELDS" buffers: fields, in order
    unsigned fields = 0;               // per record
    std::size_t buffer_size = 0;       // a text buffer's size, and what the
    std::size_t needed = 0;            // answer needed when it did not fit
    std::string outcome;               // what the call left behind (DelFilesAndDir)
    bool failed = false;               // a failed call, by the function's own convention
};

// Why arguments were not taken: the argument (counted from 0), when one is
// to blame, and what was wrong with it.
struct Refusal {
    static constexpr std::size_t kNoArgument = static_cast<std::size_t>(-1);
    std::size_t argument = kNoArgument;
    std::string why;
};

struct Command {
    const char* name;
    const char* arguments;  // names, for usage texts
    std::size_t most;       // arguments taken
    std::size_t least;      // arguments needed (fewer for an optional count)
    const char* answers;
    const char* summary;
    Effect effect;
    Failure failure;  // which answers are a failed call: exit status 1
    Handling handling;  // Removal: the program says what is left of the folder
    // Calls the function; false, with the reason, for arguments it cannot take.
    bool (*run)(const Args& args, Answer& answer, Refusal& refusal);
};

// The function table's functions, in its order.
const std::vector<Command>& Commands();
const Command& CommandOf(Row row);
// The function of that name, matched without case; null when there is none.
const Command* FindCommand(const std::string& name);
// The candidates closest to a mistyped name, closest first (at most three).
std::vector<std::string> Suggestions(const std::string& name, const std::vector<std::string>& candidates);
// "TEXT [COUNT]": the argument names, the optional ones in brackets.
std::string Usage(const Command& command);

// Runs the function, tells whether the answer is a failure by the function's
// own convention, and says what it left behind where that is not in its
// answer: DelFilesAndDir's folder, gone or still there (a failed call then).
bool Call(const Command& command, const Args& args, Answer& answer, Refusal& refusal);

// Whether a buffer argument is "@SIZE/FIELDS" in form (the numbers are read later).
bool IsSizedBuffer(const std::string& arg);
// A number argument: decimal (from -2^31) or 0x hexadecimal, up to 2^32 - 1,
// read as its 32 bits.
bool ParseNumber(const std::string& text, std::uint32_t& value);

std::string CodeName(ResultCode code);
// NUL bytes as \0.
std::string Shown(const std::string& text);
// `karvelin FUNCTION`'s lines: the answer as its type shows it, then the
// buffers and the outcome.
void PrintAnswer(const Command& command, const Answer& answer);

}  // namespace karvelin::program
