// Calling one function from command-line arguments: each C parameter type
// has a holder that takes an argument, and each answer type a way to show it.
// The text-buffer functions run through their entries told the buffer's size,
// linked into the program (the library does not export them).
#include "tools/call.h"

#include <cerrno>
#include <cstdlib>
#include <tuple>
#include <type_traits>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Karvelin.h"
#include "module/library_text.h"
#include "module/result_codes.h"
#include "tools/folder_platform.h"

namespace karvelin::program {
namespace {

void Take(Answer& answer, ResultCode code) {
    answer.kind = Answer::kCode;
    answer.code = code;
}
void Take(Answer& answer, std::int32_t number) {
    answer.kind = Answer::kNumber;
    answer.number = number;
}
void Take(Answer& answer, UnusedInPython result) { Take(answer, result.value); }
void Take(Answer& answer, const char* text) {
    answer.kind = Answer::kText;
    answer.null_text = text == nullptr;
    answer.text = text ? text : "";
}

std::string NotANumber(const std::string& text) {
    return "\"" + text + "\" is not a 32-bit number (decimal, or hexadecimal after 0x)";
}

// Argument holders, one per C parameter type.
template <typename T>
struct Param;
template <>
struct Param<const char*> {
    std::string text;
    bool Take(const std::string& arg, std::string&) {
        text = arg;
        return true;
    }
    const char* Value() const { return text.c_str(); }
    void Show(Answer&) const {}
};
template <>
struct Param<std::uint32_t> {
    std::uint32_t number = 0;
    bool Take(const std::string& arg, std::string& why) {
        if (ParseNumber(arg, number)) return true;
        why = NotANumber(arg);
        return false;
    }
    std::uint32_t Value() const { return number; }
    void Show(Answer&) const {}
};
// A text buffer, handed to the function's entry with its size: a copy of the
// argument and its NUL, shown afterwards as the function left it: its old
// length, and the byte of the old NUL too when the function wrote over it; or
// "@SIZE/FIELDS": SIZE NUL bytes (0 to 1 MiB), read afterwards as tab-ended
// fields up to the first NUL or the buffer's end, whichever comes first.
template <>
struct Param<TextBuffer&> {
    static constexpr long long kMostSize = 1 << 20;
    std::vector<char> bytes;
    TextBuffer buffer{nullptr, 0};
    std::size_t length = 0;
    unsigned fields = 0;
    bool Take(const std::string& arg, std::string& why) {
        if (IsSizedBuffer(arg)) {
            const std::size_t slash = arg.find('/');
            return TakeSize(arg.substr(1, slash - 1), arg.substr(slash + 1), why);
        }
        bytes.assign(arg.begin(), arg.end());
        bytes.push_back('\0');
        buffer = {bytes.data(), bytes.size()};
        length = arg.size();
        return true;
    }
    bool TakeSize(const std::string& size_text, const std::string& fields_text, std::string& why) {
        char* end = nullptr;
        errno = 0;
        const long long size = std::strtoll(size_text.c_str(), &end, 10);
        if (size_text.empty() || *end != '\0' || errno == ERANGE || size < 0 || size > kMostSize) {
            why = "buffer size " + size_text + " is outside 0 to " + std::to_string(kMostSize) + " bytes";
            return false;
        }
        std::uint32_t count = 0;
        if (fields_text.find_first_not_of("0123456789") != std::string::npos || !ParseNumber(fields_text, count) ||
            count == 0 || count > 1024) {
            why = "fields per record " + fields_text + " is outside 1 to 1024";
            return false;
        }
        fields = count;
        bytes.assign(static_cast<std::size_t>(size) + (size == 0 ? 1 : 0), '\0');  // never a null buffer
        buffer = {bytes.data(), static_cast<std::size_t>(size)};
        return true;
    }
    TextBuffer& Value() { return buffer; }
    void Show(Answer& answer) const {
        answer.buffer_size = buffer.size;
        answer.needed = buffer.needed > buffer.size ? buffer.needed : 0;
        if (!fields) {
            answer.buffers.emplace_back(buffer.data, length + (buffer.data[length] != '\0' ? 1 : 0));
            return;
        }
        answer.fields = fields;
        std::string field;
        for (std::size_t i = 0; i < buffer.size && buffer.data[i]; ++i) {
            if (buffer.data[i] != '\t') {
                field += buffer.data[i];
            } else {
                answer.records.push_back(field);
                field.clear();
            }
        }
    }
};

std::string WrongCount(std::size_t least, std::size_t most, std::size_t given) {
    const std::string wanted =
        least == most ? std::to_string(most) : std::to_string(least) + " or " + std::to_string(most);
    return "takes " + wanted + " argument" + (most == 1 ? "" : "s") + ", not " + std::to_string(given);
}

// Calls a function with the given arguments.
template <typename Signature>
struct Invoke;

template <typename R, typename... A>
struct Invoke<R (*)(A...)> {
    static constexpr std::size_t kMost = sizeof...(A), kLeast = kMost;
    static bool Run(R (*function)(A...), const Args& args, Answer& answer, Refusal& refusal) {
        if (args.size() != kMost) {
            refusal.why = WrongCount(kLeast, kMost, args.size());
            return false;
        }
        return Call(function, args, answer, refusal, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static bool Call(R (*function)(A...), const Args& args, Answer& answer, Refusal& refusal,
                     std::index_sequence<I...>) {
        std::tuple<Param<A>...> params;
        const bool taken = ((std::get<I>(params).Take(args[I], refusal.why) || (refusal.argument = I, false)) && ...);
        if (!taken) return false;
        if constexpr (std::is_void_v<R>)
            function(std::get<I>(params).Value()...);
        else
            Take(answer, function(std::get<I>(params).Value()...));
        (std::get<I>(params).Show(answer), ...);
        return true;
    }
};

// A text and a count (Recode, Decode): the count may be left out (the whole
// text), and must lie within the text.
template <>
struct Invoke<char* (*)(const char*, std::uint32_t)> {
    static constexpr std::size_t kMost = 2, kLeast = 1;
    static bool Run(char* (*function)(const char*, std::uint32_t), const Args& args, Answer& answer,
                    Refusal& refusal) {
        if (args.size() < kLeast || args.size() > kMost) {
            refusal.why = WrongCount(kLeast, kMost, args.size());
            return false;
        }
        std::uint32_t count = static_cast<std::uint32_t>(args[0].size());
        refusal.argument = 1;
        // A negative count would read as its 32 bits: a count far past the text.
        if (args.size() == 2 && (args[1][0] == '-' || !ParseNumber(args[1], count))) {
            refusal.why = "\"" + args[1] + "\" is not a count (0 to the text's " + std::to_string(args[0].size()) +
                          " bytes, decimal or hexadecimal after 0x)";
            return false;
        }
        if (!CountWithinText(count, static_cast<long long>(args[0].size()))) {
            refusal.why = "count " + std::to_string(count) + " is outside the text of " +
                          std::to_string(args[0].size()) + " bytes";
            return false;
        }
        const unique_library_text text(function(args[0].c_str(), count));
        Take(answer, static_cast<const char*>(text.get()));
        return true;
    }
};

// What the answer is, as its type and the function's way of failing show it.
template <typename R, typename... A>
constexpr const char* AnswerKind(R (*)(A...), Failure failure) {
    if constexpr (std::is_same_v<R, ResultCode>)
        return failure == Failure::NonZero ? "a result code, by number and name (exit status 1 when it is not OK)"
                                           : nullptr;
    else if constexpr (std::is_same_v<R, std::int32_t>)
        return failure == Failure::Never     ? "a number"
               : failure == Failure::NonZero ? "a number (exit status 1 when it is not 0)"
               : failure == Failure::Zero    ? "a number (exit status 1 when it is 0)"
               : failure == Failure::Hresult ? "a number, in hexadecimal too when negative: an HRESULT "
                                               "(exit status 1 when it is not 0)"
                                             : nullptr;
    else if constexpr (std::is_void_v<R>)
        return failure != Failure::Never                           ? nullptr
               : (std::is_same_v<A, char*> || ...)                 ? "nothing (the text is shown as the function left it)"
                                                                   : "nothing";
    else
        return failure == Failure::Never       ? "a text"
               : failure == Failure::NoText    ? "a text (exit status 1 for none: no memory)"
               : failure == Failure::EmptyText ? "a text (exit status 1 when it is empty: the path could not be had)"
                                               : nullptr;
}

// A function runs through what the Python glue calls: the export, or for a
// text buffer the entry told its size.
template <typename R, typename... A>
bool RunEntry(R (*function)(A...), const Args& args, Answer& answer, Refusal& refusal) {
    return Invoke<R (*)(A...)>::Run(function, args, answer, refusal);
}

struct Note {
    Effect effect;
    Failure failure;
    const char* summary;
};
#define KARVELIN_NOTE(name, effect, failure, summary) {Effect::effect, Failure::failure, summary},
constexpr Note kNotes[] = {KARVELIN_FUNCTION_NOTES(KARVELIN_NOTE)};
#undef KARVELIN_NOTE
constexpr Failure FailureOf(Row row) { return kNotes[static_cast<std::size_t>(row)].failure; }

// Each function's way of failing fits its answer: a result code fails when
// it is not OK; a number cannot be "no text".
#define KARVELIN_FAILURE_FITS(name, ...)                                                              \
    static_assert(AnswerKind(&::name, FailureOf(Row::name)) != nullptr,                              \
                  "the failure note of " #name " does not fit its answer");
KARVELIN_FUNCTIONS(KARVELIN_FAILURE_FITS)
#undef KARVELIN_FAILURE_FITS

#define KARVELIN_COMMAND(name, type, arguments, python, lock)                                         \
    {#name,                                                                                          \
     arguments,                                                                                      \
     Invoke<decltype(&::name)>::kMost,                                                               \
     Invoke<decltype(&::name)>::kLeast,                                                              \
     AnswerKind(&::name, FailureOf(Row::name)),                                                      \
     kNotes[static_cast<std::size_t>(Row::name)].summary,                                            \
     kNotes[static_cast<std::size_t>(Row::name)].effect,                                             \
     FailureOf(Row::name),                                                                           \
     table::kFaces[static_cast<std::size_t>(Row::name)].handling,                                    \
     [](const Args& args, Answer& answer, Refusal& refusal) { return RunEntry(&python, args, answer, refusal); }},

bool Failed(Failure failure, const Answer& answer) {
    const std::int64_t value = answer.kind == Answer::kCode ? std::int64_t{answer.code} : answer.number;
    switch (failure) {
        case Failure::NonZero:
        case Failure::Hresult:
            return value != 0;
        case Failure::Zero:
            return value == 0;
        case Failure::NoText:
            return answer.null_text;
        case Failure::EmptyText:
            return answer.null_text || answer.text.empty();
        case Failure::Never:
            break;
    }
    return false;
}

}  // namespace

const std::vector<Command>& Commands() {
    static const std::vector<Command> commands = {KARVELIN_FUNCTIONS(KARVELIN_COMMAND)};
    return commands;
}
#undef KARVELIN_COMMAND

const Command& CommandOf(Row row) { return Commands()[static_cast<std::size_t>(row)]; }

bool IsSizedBuffer(const std::string& arg) {
    const std::size_t slash = arg.find('/');
    return arg.size() > 1 && arg[0] == '@' && slash != std::string::npos &&
           arg.find_first_not_of("+-0123456789", 1) == slash;
}

bool Call(const Command& command, const Args& args, Answer& answer, Refusal& refusal) {
    // A BUFFER that starts with @ is meant as a size: one that does not read
    // as @SIZE/FIELDS is a mistake, not a buffer of that text.
    const std::string names = std::string(command.arguments) + " ";
    for (std::size_t i = 0, start = 0; i < args.size() && start < names.size(); ++i) {
        const std::size_t end = names.find(' ', start);
        if (names.compare(start, end - start, "BUFFER") == 0 && args[i][0] == '@' && !IsSizedBuffer(args[i])) {
            refusal.argument = i;
            refusal.why = "\"" + args[i] + "\" is not @SIZE/FIELDS (SIZE empty bytes, FIELDS fields a record)";
            return false;
        }
        start = end + 1;
    }
    // The library removes a tree silently, and refuses some paths silently:
    // the program looks at the folder itself, before and after.
    const bool removal = command.handling == Handling::Removal && args.size() == 1;
    const PathState before = removal ? LookAt(args[0]) : PathState{};
    if (!command.run(args, answer, refusal)) return false;
    answer.failed = Failed(command.failure, answer);
    if (!removal) return true;
    const PathState after = LookAt(args[0]);
    if (!before.exists && !after.exists) {
        answer.outcome = "not there";
    } else if (!after.exists) {
        answer.outcome = "removed";
    } else {
        answer.failed = true;
        answer.outcome = !after.folder          ? "still there: not a folder"
                         : after.entries == 1 ? "still there: 1 entry"
                                              : "still there: " + std::to_string(after.entries) + " entries";
    }
    return true;
}

bool ParseNumber(const std::string& text, std::uint32_t& value) {
    const bool hexadecimal = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const std::string digits = hexadecimal ? text.substr(2) : text[0] == '-' ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 16 ||
        digits.find_first_not_of(hexadecimal ? "0123456789abcdefABCDEF" : "0123456789") != std::string::npos)
        return false;
    const long long number = std::strtoll(text.c_str(), nullptr, hexadecimal ? 16 : 10);
    if (number < INT32_MIN || number > static_cast<long long>(UINT32_MAX)) return false;
    value = static_cast<std::uint32_t>(number);
    return true;
}

}  // namespace karvelin::program
