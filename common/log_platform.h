// What the log takes from the system: its setting, the time and the ids a
// line carries, and one append to its file.
#pragma once

#include <string>

#include "common/log.h"

namespace karvelin::log::platform {

// The file KARVELIN_LOG names now; empty when none. Throws std::bad_alloc.
std::string FileSetting();

// "2026-12-08T08:47:22.123Z 4242 4243": the time in UTC to the millisecond,
// the process id and the thread id. Throws std::bad_alloc.
std::string Stamp();
// How a line of the file ends: CR LF on Windows, where the system's own
// viewers want it.
extern const char kLineEnd[];

// Appends `line` to the file with one write, so that the lines of processes
// sharing the file never interleave. Linux: made with mode 600 where nothing
// is (never through a link, even one that points nowhere); an existing file,
// or a link to one, is appended to. Windows: opened always, shared for
// reading and writing, under the folder's own access rules. False when it
// cannot be written (the line is dropped).
bool Append(const std::string& path, const std::string& line) noexcept;

// The process's program's sink, or null (looked up once).
ProgramSink FindProgramSink() noexcept;

// The thread's last error (errno; on Windows GetLastError too) as the
// function left it, put back when a line is written: a caller that reads it
// after the answer reads the function's, not the log's.
class KeptError {
public:
    KeptError() noexcept;
    ~KeptError();
    KeptError(const KeptError&) = delete;
    KeptError& operator=(const KeptError&) = delete;

private:
    int errno_;
    [[maybe_unused]] unsigned long last_error_ = 0;  // GetLastError (Windows)
};

}  // namespace karvelin::log::platform
