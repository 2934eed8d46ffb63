#include "common/log.h"

#include <atomic>

#include "common/log_platform.h"

namespace karvelin::log {
namespace {

CallSink* (*g_find_call)() noexcept = nullptr;

// A test's capture: every line, whatever else is set.
using Handler = void (*)(Level, const char*, const char*, void*);
std::atomic<Handler> g_handler{nullptr};
std::atomic<void*> g_context{nullptr};

CallSink* CurrentCall() noexcept { return g_find_call ? g_find_call() : nullptr; }

// The file the process's calls write to, as KARVELIN_LOG named it at their
// first line (reading the environment at every line would cost more than
// the calls it tells of: ~2 us a read under Wine).
std::string& ProcessFile() noexcept {
    static std::string file = [] {
        try {
            return platform::FileSetting();
        } catch (...) {
            return std::string();  // no memory for the name: no file
        }
    }();
    return file;
}

// The process's own settings: the program's sink, or the file.
bool ProcessOn() noexcept {
    return g_handler.load(std::memory_order_relaxed) || platform::FindProgramSink() || !ProcessFile().empty();
}

// A text as a line shows it: its control characters as \xNN.
std::string Shown(const std::string& text) {
    std::string shown;
    shown.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte >= 0x20 && byte != 0x7F) {
            shown += c;
            continue;
        }
        static constexpr char kDigits[] = "0123456789abcdef";
        shown += "\\x";
        shown += kDigits[byte >> 4];
        shown += kDigits[byte & 0xF];
    }
    return shown;
}

}  // namespace

const char* LevelName(Level level) noexcept { return level == Level::Failure ? "failure" : "step"; }

void ReadSetting() noexcept {
    try {
        ProcessFile() = platform::FileSetting();
    } catch (...) {
        // No memory for the name: the setting stays as it was.
    }
}

void SetHandler(Handler handler, void* context) noexcept {
    // Set while no other thread writes (a test's capture): the handler is
    // taken away first and comes back last.
    g_handler.store(nullptr);
    g_context.store(context);
    g_handler.store(handler);
}

void SetCallSinkFinder(CallSink* (*find)() noexcept) noexcept { g_find_call = find; }

bool On() noexcept {
    if (g_handler.load(std::memory_order_relaxed)) return true;
    if (const CallSink* call = CurrentCall())
        return !call->file.empty() || call->Wants(Level::Step) || call->Wants(Level::Failure);
    return ProcessOn();
}

bool On(Level level) noexcept {
    if (g_handler.load(std::memory_order_relaxed)) return true;
    if (const CallSink* call = CurrentCall()) return !call->file.empty() || call->Wants(level);
    return ProcessOn();
}

void Write(Level level, const char* function, const std::string& text) noexcept {
    const platform::KeptError kept;
    try {
        CallSink* call = CurrentCall();
        const ProgramSink program = call ? nullptr : platform::FindProgramSink();
        const bool to_call = call && call->Wants(level);
        const std::string& file = call ? call->file : ProcessFile();
        const Handler handler = g_handler.load();
        if (handler) handler(level, function, text.c_str(), g_context.load());
        if (file.empty() && !to_call && !program) return;
        const std::string shown = Shown(text);
        const std::string line = std::string(LevelName(level)) + " " + function + ": " + shown;
        if (!file.empty()) platform::Append(file, platform::Stamp() + " " + line + platform::kLineEnd);
        if (to_call) call->Take(level, function, shown);
        if (program) program(level == Level::Failure ? 1 : 0, line.c_str());
    } catch (...) {
        // No memory for the line: it is dropped, and the call goes on.
    }
}

}  // namespace karvelin::log
