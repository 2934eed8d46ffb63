// JSON for the program's output: texts of the library as UTF-8 strings, and
// answers as values, written by the JSON library on one line each; what is
// not UTF-8 becomes U+FFFD, so the output always parses.
#pragma once

#include <string>
#include <vector>

#include "Karvelin.h"
#include "tools/call.h"

namespace karvelin::program {

// A text of the library (ANSI code page on Windows) as a JSON string.
std::string Json(const std::string& text);
// {"code": N, "name": NAME}; the name is null for a code the library does not know.
std::string JsonCode(ResultCode code);
// The answer as a value: a code as JsonCode, a number, a string, or null.
std::string JsonAnswer(const Answer& answer);
// One call as an object: {"function", "answer"[, "buffer"][, "records"][, "outcome"]}, the
// answer as JsonAnswer writes it.
std::string JsonCall(const Command& command, const Answer& answer);

// A list of values that `item` writes (the functions above), one separator apart.
template <typename T, typename F>
std::string JsonList(const std::vector<T>& items, F&& item, const char* separator = ", ") {
    std::string json = "[";
    for (std::size_t i = 0; i < items.size(); ++i) json += (i ? separator : "") + item(items[i]);
    return json + "]";
}

}  // namespace karvelin::program
