// The log's lines while a test runs, each "step|failure <function>: <text>".
#pragma once

#include <mutex>
#include <string>

#include "common/log.h"

namespace karvelin::test {

class LogCapture {
public:
    LogCapture() { log::SetHandler(&Add, this); }
    ~LogCapture() { log::SetHandler(nullptr, nullptr); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::string Lines() {
        std::lock_guard<std::mutex> hold(lock_);
        return lines_;
    }
    // Whether some line holds `part`, e.g. "failure CheckOS: check release".
    bool Has(const std::string& part) { return Lines().find(part) != std::string::npos; }

private:
    static void Add(log::Level level, const char* function, const char* text, void* self) {
        auto& capture = *static_cast<LogCapture*>(self);
        std::lock_guard<std::mutex> hold(capture.lock_);
        capture.lines_ += (level == log::Level::Step ? "step " : "failure ") + std::string(function) + ": " + text + "\n";
    }
    std::mutex lock_;
    std::string lines_;
};

}  // namespace karvelin::test
