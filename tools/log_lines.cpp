#include "tools/log_lines.h"

#include <cstdio>
#include <string>
#include <string_view>
#include <type_traits>
#include <vector>

#include "common/log.h"

#ifdef _WIN32
#define KARVELIN_PROGRAM_EXPORT extern "C" __declspec(dllexport)
#else
#define KARVELIN_PROGRAM_EXPORT extern "C" __attribute__((visibility("default")))
#endif

namespace {

bool g_every = false;
std::vector<std::string> g_failures;  // the call's, until it is over

}  // namespace

// The program's sink, which every copy of the library in the process finds by
// its name (common/log.h): Karvelin.dll or libKarvelin.so, and the entries
// linked into the program.
KARVELIN_PROGRAM_EXPORT void KarvelinProgramLog(int level, const char* line) {
    if (g_every) {
        std::fprintf(stderr, "%s\n", line);
        return;
    }
    try {
        if (level == 1) g_failures.emplace_back(line);
    } catch (...) {
        // No memory for the line: it is not told.
    }
}
static_assert(std::is_same_v<decltype(&KarvelinProgramLog), karvelin::log::ProgramSink>);
static_assert(std::string_view(karvelin::log::kProgramSinkName) == "KarvelinProgramLog");

namespace karvelin::program {

void ShowEveryLine() { g_every = true; }

void TellFailures(bool failed) {
    if (failed)
        for (const std::string& line : g_failures) std::fprintf(stderr, "%s\n", line.c_str());
    g_failures.clear();
}

}  // namespace karvelin::program
