// The library's log: what a call did and why it failed, for the installer
// engineer reading it after a failed installation. Off unless the caller
// switches it on; an answer never depends on it, and a line that cannot be
// written is dropped. A line names the function, the step, the object and the
// system's error; it never holds a secret text (only its length).
//
// Where the lines go (docs/log.md):
// - the file the environment variable KARVELIN_LOG names, read once, at the
//   process's first line or On() (or, for a face's call, when the face says:
//   see CallSink), appended one line at a time:
//   "<UTC time> <process> <thread> <level> <function>: <text>";
// - a face's own sink for the call its thread is making (CallSink: the
//   Python 3 face hands the lines to `logging`);
// - the program's sink, when the process's program exports one
//   (kProgramSinkName: the karvelin program prints them on its error stream).
// Control characters of a text are written as \xNN, so that no name read
// from the system can end a line or forge one.
#pragma once

#include <string>

namespace karvelin::log {

enum class Level { Step, Failure };

// Whether any line would go anywhere now: callers that build a costly text
// ask first. On(level): whether a line of that level would (a Step text can
// cost more than the Failure ones, and the Python face may want failures only).
bool On() noexcept;
bool On(Level level) noexcept;

// One line for `function`: a step it took, or why it failed.
void Write(Level level, const char* function, const std::string& text) noexcept;
inline void Step(const char* function, const std::string& text) noexcept { Write(Level::Step, function, text); }
inline void Failure(const char* function, const std::string& text) noexcept { Write(Level::Failure, function, text); }

// Hands every line to `handler`, with `context`, while one is set (On() is
// then true); a null handler takes it away.
void SetHandler(void (*handler)(Level, const char* function, const char* text, void* context), void* context) noexcept;
// Reads KARVELIN_LOG again, for the calls that no CallSink serves (a test
// that changes it between calls); not while calls run.
void ReadSetting() noexcept;

// "step" or "failure", as the lines name their level.
const char* LevelName(Level level) noexcept;

// A face's sink for the call its thread is making, in place of the process's
// settings: the Python 3 face makes one for each call with the interpreter
// lock held, so that KARVELIN_LOG is read when the face reads the rest of the
// environment (other Python threads change it under that lock), and hands the
// lines to `logging` once it holds the lock again.
class CallSink {
public:
    std::string file;  // the file KARVELIN_LOG named when the call began; empty: none
    virtual bool Wants(Level level) const noexcept = 0;
    // The line's text as the file has it (control characters shown).
    virtual void Take(Level level, const char* function, const std::string& text) noexcept = 0;

protected:
    ~CallSink() = default;
};
// How the face finds its thread's sink (null: none, the process's settings
// hold). Set once, when the face is loaded, before any call.
void SetCallSinkFinder(CallSink* (*find)() noexcept) noexcept;

// The program's sink: a function the process's program exports under this
// name (Windows: from its image, found by GetProcAddress; Linux: a dynamic
// symbol of the executable), which every copy of the library in the process
// finds and calls with each line, as "<level> <function>: <text>" (level 0
// step, 1 failure). The library's own images export nothing more for it.
inline constexpr char kProgramSinkName[] = "KarvelinProgramLog";
using ProgramSink = void (*)(int level, const char* line);

}  // namespace karvelin::log
