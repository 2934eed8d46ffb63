#include "tools/json.h"

#include <nlohmann/json.hpp>

#ifdef _WIN32
#include <windows.h>

#include "common/wide_text_win32.h"
#endif

#include "module/result_codes.h"

namespace karvelin::program {
namespace {

// Members keep the order they are added in: the order the documents show.
using Value = nlohmann::ordered_json;

// A text of the library as UTF-8. Linux texts are UTF-8 already, or meant to
// be: what is not (a byte a function made, a name the system handed over) is
// left for the writer below to replace.
std::string Utf8(const std::string& text) {
#ifdef _WIN32
    const std::wstring wide = win32::WideFromAnsi(text);
    if (wide.empty()) return std::string();
    const int wide_size = static_cast<int>(wide.size());
    const int size = ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size), '\0');
    ::WideCharToMultiByte(CP_UTF8, 0, wide.data(), wide_size, &utf8[0], size, nullptr, nullptr);
    return utf8;
#else
    return text;
#endif
}

Value Text(const std::string& text) { return Value(Utf8(text)); }

Value Code(ResultCode code) {
    const char* name = ResultCodeName(code);
    return Value{{"code", code}, {"name", name ? Value(name) : Value(nullptr)}};
}

Value AnswerValue(const Answer& answer) {
    switch (answer.kind) {
        case Answer::kCode:
            return Code(answer.code);
        case Answer::kNumber:
            return answer.number;
        case Answer::kText:
            return answer.null_text ? Value(nullptr) : Text(answer.text);
        case Answer::kNone:
            break;
    }
    return nullptr;
}

// One line, members apart by ", " and names by ": ", as the program always
// printed them. The writer's indented form has exactly that, with a line end
// after each opening bracket and comma and before each closing one; strings
// escape their own line ends, so every line end there is layout. A sequence
// that is not UTF-8 becomes U+FFFD, so the output is always UTF-8.
std::string Dump(const Value& value) {
    const std::string indented = value.dump(0, ' ', false, Value::error_handler_t::replace);
    std::string line;
    line.reserve(indented.size());
    for (char c : indented) {
        if (c != '\n')
            line += c;
        else if (!line.empty() && line.back() == ',')
            line += ' ';
    }
    return line;
}

}  // namespace

std::string Json(const std::string& text) { return Dump(Text(text)); }

std::string JsonCode(ResultCode code) { return Dump(Code(code)); }

std::string JsonAnswer(const Answer& answer) { return Dump(AnswerValue(answer)); }

std::string JsonCall(const Command& command, const Answer& answer) {
    Value call{{"function", command.name}, {"answer", AnswerValue(answer)}};
    for (const std::string& buffer : answer.buffers) call["buffer"] = Text(buffer);
    if (answer.fields) {
        Value records = Value::array();
        for (std::size_t i = 0; i < answer.records.size(); ++i) {
            if (i % answer.fields == 0) records.push_back(Value::array());
            records.back().push_back(Text(answer.records[i]));
        }
        call["records"] = std::move(records);
    }
    if (!answer.outcome.empty()) call["outcome"] = Text(answer.outcome);
    return Dump(call);
}

}  // namespace karvelin::program
