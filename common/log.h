// The library's log: what a call did and why it failed, for the installer
// engineer reading it after a failed installation. Off unless the caller
// switches it on; an answer never depends on it, and a line that cannot be
// written is dropped. A line names the function, the step, the object and the
// system's error; it never holds a secret text (only its length).
#pragma once

#include <string>

namespace karvelin::log {

enum class Level { Step, Failure };

// Whether any line would go anywhere now: callers that build a costly text
// ask first.
bool On() noexcept;

// One line for `function`: a step it took, or why it failed.
void Write(Level level, const char* function, const std::string& text) noexcept;
inline void Step(const char* function, const std::string& text) noexcept { Write(Level::Step, function, text); }
inline void Failure(const char* function, const std::string& text) noexcept { Write(Level::Failure, function, text); }

// Hands every line to `handler`, with `context`, while one is set (On() is
// then true); a null handler takes it away.
void SetHandler(void (*handler)(Level, const char* function, const char* text, void* context), void* context) noexcept;

}  // namespace karvelin::log
