#include "tools/json.h"

#include <cstdio>

#ifdef _WIN32
#include <windows.h>

#include "common/wide_text_win32.h"
#endif

#include "module/result_codes.h"

namespace karvelin::program {
namespace {

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

}  // namespace

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
    const char* name = ResultCodeName(code);
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

std::string JsonCall(const Command& command, const Answer& answer) {
    std::string json = "{\"function\": " + Json(command.name) + ", \"answer\": ";
    if (answer.kind == Answer::kCode) {
        const char* name = ResultCodeName(answer.code);
        json += std::to_string(answer.code) + ", \"name\": " + (name ? Json(name) : "null");
    } else {
        json += JsonAnswer(answer);
    }
    for (const std::string& buffer : answer.buffers) json += ", \"buffer\": " + Json(buffer);
    if (answer.fields) {
        std::vector<std::vector<std::string>> records;
        for (std::size_t i = 0; i < answer.records.size(); ++i) {
            if (i % answer.fields == 0) records.emplace_back();
            records.back().push_back(answer.records[i]);
        }
        json += ", \"records\": " +
                JsonList(records, [](const std::vector<std::string>& fields) { return JsonList(fields, Json); });
    }
    if (!answer.outcome.empty()) json += ", \"outcome\": " + Json(answer.outcome);
    return json + "}";
}

}  // namespace karvelin::program
