// karvelin: the library's functions from the command line.
//
//   karvelin report [--json]     every function without side effects, in
//                                sections (or as one JSON object)
//   karvelin FUNCTION [ARG...]   one function with the given arguments; a
//                                text buffer may be "@SIZE/FIELDS" (SIZE
//                                bytes, 0 to 1 MiB, shown as records of
//                                FIELDS fields)
//   karvelin list                the functions and their arguments
//   karvelin --help, karvelin FUNCTION --help
//
// Exit status: 0 when the command ran; 1 when a function that answers a
// ResultCode answered anything but OK (a failed check); 2 for a usage error,
// and for a text buffer too small for the answer (the message says the size
// needed; nothing is written then).
//
// On Windows it calls Karvelin.dll through its import library; on Linux, the
// native library. The functions come from the library's function table; the
// text-buffer functions run through their entries told the buffer's size,
// linked into the program (the library does not export them).
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <tuple>
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

constexpr int kUsageError = 2;
constexpr int kCheckFailed = 1;

// The report's arguments for the functions that take some; a function that
// takes arguments and has no sample here is not run by the report (those that
// change the host).
const std::map<std::string, std::vector<Args>> kReportSamples = {
    {"Recode", {{"abc"}}},
    {"Decode", {{"?E8>17"}}},
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

// What the report calls each function of the host and its folders.
const std::map<std::string, const char*> kHostLabels = {
    {"CheckOS", "release and service pack"},  {"CheckIeVersion", "browser version"},
    {"FindServerVersion", "server release"},  {"CheckUserRight", "administrator"},
    {"GetCurrentInstallationType", "installation type"},
};
const std::map<std::string, const char*> kFolderLabels = {
    {"GetWinDeskTopDir", "desktop"}, {"GetWinProgramDir", "program groups"}, {"GetWindowsDir", "Windows directory"}};

// One line for `karvelin FUNCTION --help`.
const std::map<std::string, const char*> kSummaries = {
    {"CheckOS", "whether the Windows release and its service pack are recent enough"},
    {"CheckIeVersion", "whether the system browser's major version is 6 or more"},
    {"FindServerVersion", "the server release: 2000, 2003, or 0"},
    {"RunSilent", "runs COMMAND ARGUMENT through the command interpreter, hidden; its exit code (changes the host)"},
    {"CheckUserRight", "whether the process token holds the Administrators group, enabled"},
    {"GetCurrentInstallationType", "the product's installation already on the host (2: none)"},
    {"Recode", "the first COUNT bytes of TEXT (default: all) as printable pairs, the last byte's first"},
    {"Decode", "the inverse of Recode over the first COUNT characters of TEXT (default: all)"},
    {"CreateShortcut", "writes the shortcut file LINK_PATH (changes the host)"},
    {"GetWinDeskTopDir", "the user's desktop folder"},
    {"GetWinProgramDir", "the user's Start-menu program groups folder"},
    {"GetWindowsDir", "the Windows directory"},
    {"GetAddress", "the IPv4 adapters: network, mask, address, name, display name (BUFFER: @65536/5)"},
    {"GetHostIPAddr", "the IPv4 addresses of the host's own name, 16-byte records (BUFFER: @65536/1)"},
    {"TrimRight", "TEXT without its trailing blanks"},
    {"TrimLeft", "TEXT without its leading blanks"},
    {"ValidateNet", "whether HOST, MASK, NETWORK and OTHER fit together"},
    {"ValidateTheIP", "1 for an acceptable host address (class A, B or C), else 0"},
    {"CopyTheFile", "copies SOURCE over DESTINATION: 1 when copied (changes the host)"},
    {"IsLetterfigureString", "whether TEXT holds ASCII letters and digits only"},
    {"CheckBureauName", "whether NAME is an acceptable bureau name"},
    {"CheckDestFileDir", "whether PATH may be the installation directory"},
    {"DelFilesAndDir", "removes the DIRECTORY tree (changes the host)"},
    {"GetErrorDescription", "the text of a result code: its 32 bits as unsigned decimal"},
};

// ---- answers ----

// One function's answer, as its type shows it, and the text buffers it wrote.
struct Answer {
    enum Kind { kNone, kCode, kNumber, kText } kind = kNone;
    std::uint32_t code = 0;
    std::int32_t number = 0;
    bool null_text = false;
    std::string text;
    std::vector<std::string> buffers;  // shown up to their old length, NUL bytes included
    std::vector<std::string> records;  // "@SIZE/FIELDS" buffers: fields, in order
    unsigned fields = 0;               // per record
    std::size_t buffer_size = 0;       // a text buffer's size, and what the
    std::size_t needed = 0;            // answer needed when it did not fit
};

void Take(Answer& answer, ResultCode code) {
    answer.kind = Answer::kCode;
    answer.code = code;
}
void Take(Answer& answer, std::int32_t number) {
    answer.kind = Answer::kNumber;
    answer.number = number;
}
void Take(Answer& answer, const char* text) {
    answer.kind = Answer::kText;
    answer.null_text = text == nullptr;
    answer.text = text ? text : "";
}

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
    void Show(Answer&) const {}
};
template <>
struct Param<std::uint32_t> {
    std::uint32_t number = 0;
    bool Take(const std::string& arg) { return ParseNumber(arg, number); }
    std::uint32_t Value() const { return number; }
    void Show(Answer&) const {}
};
// A text buffer, handed to the function's entry with its size: a copy of the
// argument and its NUL, shown afterwards up to its old length; or
// "@SIZE/FIELDS": SIZE NUL bytes (0 to 1 MiB), read afterwards as tab-ended
// fields up to the first NUL or the buffer's end, whichever comes first.
template <>
struct Param<karvelin::TextBuffer&> {
    static constexpr long long kMostSize = 1 << 20;
    std::vector<char> bytes;
    karvelin::TextBuffer buffer{nullptr, 0};
    std::size_t length = 0;
    unsigned fields = 0;
    bool Take(const std::string& arg) {
        const std::size_t slash = arg.find('/');
        if (arg.size() > 1 && arg[0] == '@' && slash != std::string::npos &&
            arg.find_first_not_of("+-0123456789", 1) == slash)
            return TakeSize(arg.substr(1, slash - 1), arg.substr(slash + 1));
        bytes.assign(arg.begin(), arg.end());
        bytes.push_back('\0');
        buffer = {bytes.data(), bytes.size()};
        length = arg.size();
        return true;
    }
    bool TakeSize(const std::string& size_text, const std::string& fields_text) {
        char* end = nullptr;
        errno = 0;
        const long long size = std::strtoll(size_text.c_str(), &end, 10);
        if (size_text.empty() || *end != '\0' || errno == ERANGE || size < 0 || size > kMostSize) {
            std::fprintf(stderr, "karvelin: buffer size %s is outside 0 to %lld bytes\n", size_text.c_str(), kMostSize);
            return false;
        }
        std::uint32_t count = 0;
        if (fields_text.find_first_not_of("0123456789") != std::string::npos || !ParseNumber(fields_text, count) ||
            count == 0 || count > 1024) {
            std::fprintf(stderr, "karvelin: fields per record %s is outside 1 to 1024\n", fields_text.c_str());
            return false;
        }
        fields = count;
        bytes.assign(static_cast<std::size_t>(size) + (size == 0 ? 1 : 0), '\0');  // never a null buffer
        buffer = {bytes.data(), static_cast<std::size_t>(size)};
        return true;
    }
    karvelin::TextBuffer& Value() { return buffer; }
    void Show(Answer& answer) const {
        answer.buffer_size = buffer.size;
        answer.needed = buffer.needed > buffer.size ? buffer.needed : 0;
        if (!fields) {
            answer.buffers.emplace_back(buffer.data, length);
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

// Calls a function with the given arguments; false for arguments it cannot
// take.
template <typename Signature>
struct Invoke;

template <typename R, typename... A>
struct Invoke<R (*)(A...)> {
    static constexpr std::size_t kArity = sizeof...(A);
    static bool Run(R (*function)(A...), const Args& args, Answer& answer) {
        return args.size() == kArity && Call(function, args, answer, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static bool Call(R (*function)(A...), const Args& args, Answer& answer, std::index_sequence<I...>) {
        std::tuple<Param<A>...> params;
        if (!(std::get<I>(params).Take(args[I]) && ...)) return false;
        if constexpr (std::is_void_v<R>)
            function(std::get<I>(params).Value()...);
        else
            Take(answer, function(std::get<I>(params).Value()...));
        (std::get<I>(params).Show(answer), ...);
        return true;
    }
};

// A text and a count (Recode, Decode): the count may be left out (the whole
// text) and must lie within the text, so the library never reads past it.
template <>
struct Invoke<char* (*)(const char*, std::uint32_t)> {
    static constexpr std::size_t kArity = 2;
    static bool Run(char* (*function)(const char*, std::uint32_t), const Args& args, Answer& answer) {
        if (args.empty() || args.size() > 2) return false;
        std::uint32_t count = static_cast<std::uint32_t>(args[0].size());
        if (args.size() == 2 && !ParseNumber(args[1], count)) return false;
        if (count > args[0].size()) {
            std::fprintf(stderr, "karvelin: count %u is outside the text of %zu bytes\n", static_cast<unsigned>(count),
                         args[0].size());
            return false;
        }
        char* text = function(args[0].c_str(), count);
        Take(answer, static_cast<const char*>(text));
        if (text) KARVELIN_FREE_TEXT(text);
        return true;
    }
};

template <typename R>
constexpr const char* AnswerKind() {
    if constexpr (std::is_same_v<R, ResultCode>)
        return "a result code, by number and name (exit status 1 when it is not OK)";
    else if constexpr (std::is_same_v<R, std::int32_t>)
        return "a number";
    else if constexpr (std::is_void_v<R>)
        return "nothing (a text buffer argument is shown as the function left it)";
    else
        return "a text";
}
template <typename R, typename... A>
constexpr const char* AnswerKindOf(R (*)(A...)) {
    return AnswerKind<R>();
}

struct Command {
    const char* name;
    const char* arguments;
    std::size_t arity;
    const char* answers;
    bool (*run)(const Args& args, Answer& answer);
};

// A function runs through what the Python glue calls: the export, or for a
// text buffer the entry told its size (GetHostIPAddr's keeps the export's answer).
template <typename R, typename... A>
bool RunEntry(R (*function)(A...), const Args& args, Answer& answer) {
    using Function = R (*)(A...);
    if constexpr (std::is_same_v<Function, void (*)(karvelin::TextBuffer&)>) {
        if (function == static_cast<Function>(&karvelin::entry::GetHostIPAddr))
            return RunEntry(&karvelin::entry::GetHostIPAddrAnswer, args, answer);
    }
    return Invoke<Function>::Run(function, args, answer);
}

#define KARVELIN_COMMAND(name, type, arguments, python, lock)                    \
    {#name, arguments, Invoke<decltype(&::name)>::kArity, AnswerKindOf(&::name), \
     [](const Args& args, Answer& answer) { return RunEntry(&python, args, answer); }},
const Command kCommands[] = {KARVELIN_FUNCTIONS(KARVELIN_COMMAND)};
#undef KARVELIN_COMMAND

const Command* FindCommand(const std::string& name) {
    for (const Command& command : kCommands)
        if (name == command.name) return &command;
    return nullptr;
}

// ---- text output ----

std::string CodeName(ResultCode code) {
    const char* name = karvelin::ResultCodeName(code);
    return name ? name : "(unknown)";
}

// NUL bytes as \0.
std::string Shown(const std::string& text) {
    std::string shown;
    for (char c : text) shown += c ? std::string(1, c) : "\\0";
    return shown;
}

// One function's line, as `karvelin FUNCTION` prints it: the label, then the
// answer as its type shows it; the buffers follow.
void PrintAnswer(const std::string& label, const Answer& answer) {
    switch (answer.kind) {
        case Answer::kCode:
            std::printf("%-44s %10u  %s\n", label.c_str(), static_cast<unsigned>(answer.code),
                        CodeName(answer.code).c_str());
            break;
        case Answer::kNumber:
            std::printf("%-44s %10d\n", label.c_str(), static_cast<int>(answer.number));
            break;
        case Answer::kText:
            if (answer.null_text)
                std::printf("%-44s (null)\n", label.c_str());
            else
                std::printf("%-44s \"%s\"\n", label.c_str(), answer.text.c_str());
            break;
        case Answer::kNone:
            break;
    }
    for (const std::string& buffer : answer.buffers)
        std::printf("%-44s \"%s\"\n", label.c_str(), Shown(buffer).c_str());
    for (std::size_t i = 0; i < answer.records.size(); ++i) {
        const bool first = i % answer.fields == 0, last = (i + 1) % answer.fields == 0;
        std::printf("%s%s |%s", first ? "    " : " ", answer.records[i].c_str(), last ? "\n" : "");
    }
    if (answer.records.size() % (answer.fields ? answer.fields : 1)) std::printf("\n");
}

// The answer in report columns: a code's name and number, a number, a quoted
// text, or the buffer the function left.
std::vector<std::string> Cells(const Answer& answer) {
    switch (answer.kind) {
        case Answer::kCode:
            return {CodeName(answer.code), std::to_string(answer.code)};
        case Answer::kNumber:
            return {std::to_string(answer.number)};
        case Answer::kText:
            return {answer.null_text ? "(null)" : "\"" + answer.text + "\""};
        case Answer::kNone:
            break;
    }
    if (answer.buffers.empty()) return {};
    return {"buffer \"" + Shown(answer.buffers[0]) + "\""};
}
std::vector<std::string> Row(std::vector<std::string> row, const Answer& answer) {
    for (std::string& cell : Cells(answer)) row.push_back(std::move(cell));
    return row;
}

using Rows = std::vector<std::vector<std::string>>;

// A section: its title, then the rows with their columns aligned.
void PrintSection(const std::string& title, const Rows& rows) {
    std::printf("%s\n", title.c_str());
    std::vector<std::size_t> widths;
    for (const auto& row : rows)
        for (std::size_t i = 0; i < row.size(); ++i) {
            if (widths.size() <= i) widths.push_back(0);
            if (row[i].size() > widths[i]) widths[i] = row[i].size();
        }
    for (const auto& row : rows) {
        std::string line = " ";
        for (std::size_t i = 0; i < row.size(); ++i)
            line += " " + (i + 1 < row.size() ? row[i] + std::string(widths[i] - row[i].size() + 1, ' ') : row[i]);
        std::printf("%s\n", line.c_str());
    }
    if (rows.empty()) std::printf("  (none)\n");
    std::printf("\n");
}

// ---- JSON output ----

// A text of the library (ANSI code page) as UTF-8.
std::string Utf8(const std::string& text) {
#ifdef _WIN32
    if (text.empty()) return text;
    const int wide_size = ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(wide_size), L'\0');
    ::MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), &wide[0], wide_size);
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, &utf8[0], size, nullptr, nullptr);
    return utf8;
#else
    // Linux texts are UTF-8 already; a byte that is not part of a valid
    // sequence becomes U+FFFD, so the object stays valid JSON.
    std::string utf8;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : (lead >> 5) == 6 ? 2 : (lead >> 4) == 14 ? 3 : (lead >> 3) == 30 ? 4 : 0;
        bool valid = length > 0 && i + length <= text.size();
        for (std::size_t k = 1; valid && k < length; ++k) valid = (static_cast<unsigned char>(text[i + k]) >> 6) == 2;
        if (valid) {
            utf8.append(text, i, length);
            i += length;
        } else {
            utf8 += "\xEF\xBF\xBD";
            ++i;
        }
    }
    return utf8;
#endif
}

std::string Json(const std::string& text) {
    std::string json = "\"";
    for (char c : Utf8(text)) {
        const unsigned char byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            char escaped[8];
            std::snprintf(escaped, sizeof escaped, "\\u%04x", byte);
            json += escaped;
        } else {
            json += c;
        }
    }
    return json + "\"";
}

std::string JsonCode(ResultCode code) {
    const char* name = karvelin::ResultCodeName(code);
    return "{\"code\": " + std::to_string(code) + ", \"name\": " + (name ? Json(name) : "null") + "}";
}

std::string JsonAnswer(const Answer& answer) {
    switch (answer.kind) {
        case Answer::kCode:
            return JsonCode(answer.code);
        case Answer::kNumber:
            return std::to_string(answer.number);
        case Answer::kText:
            return answer.null_text ? "null" : Json(answer.text);
        case Answer::kNone:
            break;
    }
    return "null";
}

template <typename T, typename F>
std::string JsonList(const std::vector<T>& items, F&& item, const char* separator = ", ") {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) json += (i ? separator : "") + item(items[i]);
    return json + "]";
}

// ---- the report ----

struct Sample {
    std::string function;
    Args arguments;
    Answer answer;
};
struct Adapter {
    std::string network, mask, address, name, display_name;
};

struct Report {
    std::vector<std::pair<std::string, Answer>> host, folders;
    Answer host_addresses_answer, adapters_answer;
    std::vector<std::string> host_addresses;
    std::vector<Adapter> adapters;
    std::vector<Sample> samples;
    std::vector<std::string> not_run;
};

Report Gather() {
    Report report;
    for (const Command& command : kCommands) {
        const std::string name = command.name;
        Answer answer;
        if (name == "GetHostIPAddr") {
            command.run({"@65536/1"}, answer);
            for (const std::string& record : answer.records)
                report.host_addresses.push_back(record.substr(0, record.find_last_not_of(' ') + 1));
            report.host_addresses_answer = answer;
        } else if (name == "GetAddress") {
            command.run({"@65536/5"}, answer);
            for (std::size_t i = 0; i + 5 <= answer.records.size(); i += 5) {
                const auto* field = &answer.records[i];
                report.adapters.push_back({field[0], field[1], field[2], field[3], field[4]});
            }
            report.adapters_answer = answer;
        } else if (name == "GetErrorDescription") {
            continue;  // the result codes' section
        } else if (kReportSamples.count(name)) {
            for (const Args& sample : kReportSamples.at(name)) {
                Sample row{name, sample, {}};
                command.run(sample, row.answer);
                report.samples.push_back(row);
            }
        } else if (command.arity > 0) {
            report.not_run.push_back(name);
        } else {
            command.run({}, answer);
            (kFolderLabels.count(name) ? report.folders : report.host).emplace_back(name, answer);
        }
    }
    return report;
}

std::string Label(const std::map<std::string, const char*>& labels, const std::string& name) {
    const auto found = labels.find(name);
    return found == labels.end() ? name : found->second;
}

void PrintReport(const Report& report) {
    Rows rows;
    for (const auto& [name, answer] : report.host) rows.push_back(Row({Label(kHostLabels, name), name}, answer));
    PrintSection("Host checks", rows);

    rows.clear();
    for (const auto& [name, answer] : report.folders) rows.push_back(Row({Label(kFolderLabels, name), name}, answer));
    PrintSection("Folders", rows);

    rows.clear();
    for (const std::string& address : report.host_addresses) rows.push_back({address});
    PrintSection("Host addresses (GetHostIPAddr, answer " + Cells(report.host_addresses_answer)[0] + ")", rows);

    rows = {{"name", "display name", "address", "mask", "network"}};
    for (const Adapter& adapter : report.adapters)
        rows.push_back({adapter.name, adapter.display_name, adapter.address, adapter.mask, adapter.network});
    if (report.adapters.empty()) rows.clear();
    PrintSection("Adapters (GetAddress, " + Cells(report.adapters_answer)[0] + ")", rows);

    rows.clear();
    for (const Sample& sample : report.samples) {
        std::string call = sample.function;
        for (const std::string& arg : sample.arguments) call += " '" + arg + "'";
        rows.push_back(Row({call}, sample.answer));
    }
    PrintSection("Samples", rows);

    rows = {{"OK", "0", "\"" + std::string(GetErrorDescription(0)) + "\""}};
    for (const karvelin::CodeName& entry : karvelin::kResultCodeNames)
        rows.push_back({entry.name, std::to_string(entry.code), "\"" + std::string(GetErrorDescription(entry.code)) + "\""});
    PrintSection("Result codes (GetErrorDescription)", rows);

    rows.clear();
    for (const std::string& name : report.not_run) rows.push_back({name});
    PrintSection("Not run: they change the host", rows);
}

void PrintJson(const Report& report) {
    auto members = [](const std::vector<std::pair<std::string, Answer>>& answers) {
        std::string json = "{";
        for (std::size_t i = 0; i < answers.size(); ++i)
            json += (i ? ",\n    " : "\n    ") + Json(answers[i].first) + ": " + JsonAnswer(answers[i].second);
        return json + "\n  }";
    };
    std::printf("{\n  \"host\": %s,\n", members(report.host).c_str());
    std::printf("  \"folders\": %s,\n", members(report.folders).c_str());
    std::printf("  \"host_addresses\": {\"function\": \"GetHostIPAddr\", \"answer\": %s, \"addresses\": %s},\n",
                JsonAnswer(report.host_addresses_answer).c_str(),
                JsonList(report.host_addresses, Json).c_str());
    const std::string adapters = JsonList(
        report.adapters,
        [](const Adapter& adapter) {
            return "{\"network\": " + Json(adapter.network) + ", \"mask\": " + Json(adapter.mask) +
                   ", \"address\": " + Json(adapter.address) + ", \"name\": " + Json(adapter.name) +
                   ", \"display_name\": " + Json(adapter.display_name) + "}";
        },
        ",\n      ");
    std::printf("  \"adapters\": {\"function\": \"GetAddress\", \"answer\": %s,\n    \"adapters\": %s},\n",
                JsonAnswer(report.adapters_answer).c_str(), adapters.c_str());
    const std::string samples = JsonList(
        report.samples,
        [](const Sample& sample) {
            std::string json = "{\"function\": " + Json(sample.function) +
                               ", \"arguments\": " + JsonList(sample.arguments, Json) +
                               ", \"answer\": " + JsonAnswer(sample.answer);
            if (!sample.answer.buffers.empty()) json += ", \"buffer\": " + Json(sample.answer.buffers[0]);
            return json + "}";
        },
        ",\n    ");
    std::printf("  \"samples\": %s,\n", samples.c_str());
    std::vector<karvelin::CodeName> codes = {{0, "OK"}};
    codes.insert(codes.end(), std::begin(karvelin::kResultCodeNames), std::end(karvelin::kResultCodeNames));
    const std::string result_codes = JsonList(
        codes,
        [](const karvelin::CodeName& entry) {
            return "{\"name\": " + Json(entry.name) + ", \"code\": " + std::to_string(entry.code) +
                   ", \"description\": " + Json(GetErrorDescription(entry.code)) + "}";
        },
        ",\n    ");
    std::printf("  \"result_codes\": {\"function\": \"GetErrorDescription\", \"codes\": %s},\n", result_codes.c_str());
    std::printf("  \"not_run\": %s\n}\n", JsonList(report.not_run, Json).c_str());
}

// ---- usage ----

int Help(std::FILE* out, int status) {
    std::fprintf(out,
                 "usage: karvelin report [--json]    every function without side effects (--json: one JSON object)\n"
                 "       karvelin FUNCTION [ARG...]  one function; karvelin FUNCTION --help says what it takes\n"
                 "       karvelin list               the functions and their arguments\n"
                 "       karvelin --help\n"
                 "exit status: 0 when the command ran; 1 when a function that answers a result code\n"
                 "answered another code than OK (a failed check); 2 for a usage error\n");
    return status;
}

int FunctionHelp(const Command& command, std::FILE* out, int status) {
    std::fprintf(out, "usage: karvelin %s%s%s\n", command.name, *command.arguments ? " " : "", command.arguments);
    const auto summary = kSummaries.find(command.name);
    if (summary != kSummaries.end()) std::fprintf(out, "  %s\n", summary->second);
    std::fprintf(out, "  answers %s\n", command.answers);
    return status;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return Help(stderr, kUsageError);
    const std::string verb = argv[1];
    const Args args(argv + 2, argv + argc);
    if (verb == "--help" || verb == "-h" || verb == "help") return Help(stdout, 0);
    if (verb == "report") {
        if (args.size() > 1 || (args.size() == 1 && args[0] != "--json")) return Help(stderr, kUsageError);
        const Report report = Gather();
        args.empty() ? PrintReport(report) : PrintJson(report);
        return 0;
    }
    if (verb == "list") {
        if (!args.empty()) return Help(stderr, kUsageError);
        for (const Command& command : kCommands) std::printf("%s %s\n", command.name, command.arguments);
        return 0;
    }
    const Command* command = FindCommand(verb);
    if (!command) {
        std::fprintf(stderr, "karvelin: no function named %s\n", verb.c_str());
        return Help(stderr, kUsageError);
    }
    if (args.size() == 1 && (args[0] == "--help" || args[0] == "-h")) return FunctionHelp(*command, stdout, 0);
    Answer answer;
    if (!command->run(args, answer)) return FunctionHelp(*command, stderr, kUsageError);
    if (answer.needed) {
        std::fprintf(stderr, "karvelin: %s needs a buffer of %zu bytes, not %zu\n", command->name, answer.needed,
                     answer.buffer_size);
        return kUsageError;
    }
    PrintAnswer(command->name, answer);
    return answer.kind == Answer::kCode && answer.code != 0 ? kCheckFailed : 0;
}
