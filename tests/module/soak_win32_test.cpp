// Karvelin.dll under long use: every export called up to 10,000 times with
// its samples of the function table and up to 10,000 times on an error path,
// in a child of its own, with the handle count, the heap in use and the GDI
// and USER objects read before and after; and 32 threads calling the
// functions without side effects at once, each answer compared with the
// answer on one thread.
#include <gtest/gtest.h>
#include <objbase.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <thread>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "Karvelin.h"
#include "temp_folder.h"
#include "module/function_table.h"
#include "win32_test_support.h"

namespace karvelin::test {
namespace {

// A sample's argument, made ready once for the export's parameter: a text, a
// decimal number, or a text buffer (its text, or "@SIZE/FIELDS": SIZE NUL
// bytes), written afresh for each call.
template <typename T>
struct SampleParam {
    std::string start;
    std::uint32_t number = 0;
    std::vector<char> bytes;
    void Take(const std::string& argument) {
        const bool empty = std::is_same_v<T, char*> && argument[0] == '@';
        start = empty ? std::string(std::strtoul(argument.c_str() + 1, nullptr, 10), '\0') : argument;
        number = static_cast<std::uint32_t>(std::strtoll(argument.c_str(), nullptr, 10));
    }
    T Value() {
        if constexpr (std::is_same_v<T, std::uint32_t>) {
            return number;
        } else if constexpr (std::is_same_v<T, const char*>) {
            return start.c_str();
        } else {
            bytes.assign(start.begin(), start.end());
            bytes.push_back('\0');
            return bytes.data();
        }
    }
    std::string Shown() const { return std::string(bytes.begin(), bytes.end()); }  // a buffer's bytes
};

std::string AnswerText(std::int32_t number) { return std::to_string(number); }
std::string AnswerText(std::uint32_t code) { return std::to_string(code); }
std::string AnswerText(const char* text) { return text ? text : "(null)"; }
std::string AnswerText(char* text) {  // a new text: the caller's to free
    const std::string answer = AnswerText(static_cast<const char*>(text));
    ::LocalFree(text);
    return answer;
}

// A call of an export with one sample's arguments, answering what it answered
// and the buffers it left, as one comparable text.
using Call = std::function<std::string()>;

template <typename Function>
struct SampleCall;
template <typename R, typename... A>
struct SampleCall<R(A...)> {
    static Call Make(FARPROC address, const table::Sample& sample, const std::string& folder) {
        return Make(address, sample, folder, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static Call Make(FARPROC address, const table::Sample& sample, const std::string& folder,
                     std::index_sequence<I...>) {
        if (!address) return nullptr;
        auto params = std::make_shared<std::tuple<SampleParam<A>...>>();
        (std::get<I>(*params).Take(SampleArgument(sample.arguments[I], folder)), ...);
        auto function = reinterpret_cast<R (*)(A...)>(reinterpret_cast<void*>(address));
        // Each call has buffers of its own: threads make the same call at once.
        return [function, params] {
            auto call = *params;
            std::string answer;
            if constexpr (std::is_void_v<R>)
                function(std::get<I>(call).Value()...);
            else
                answer = AnswerText(function(std::get<I>(call).Value()...));
            ((answer += "|" + std::get<I>(call).Shown()), ...);
            return answer;
        };
    }
};

// Every sample of every row, called through the DLL's exports, row by row.
std::vector<std::vector<Call>> SampleCalls(HMODULE dll, const std::string& folder) {
    std::vector<std::vector<Call>> rows;
    std::size_t row = 0;
#define KARVELIN_SAMPLE_CALLS(name, type, ...)                                                            \
    rows.emplace_back();                                                                                 \
    for (std::size_t i = 0; i < table::kSamples[row].count; ++i)                                         \
        rows.back().push_back(                                                                           \
            SampleCall<type>::Make(::GetProcAddress(dll, #name), table::kSamples[row].samples[i], folder)); \
    ++row;
    KARVELIN_FUNCTIONS(KARVELIN_SAMPLE_CALLS)
#undef KARVELIN_SAMPLE_CALLS
    return rows;
}

#define KARVELIN_EXPORT(name) Export<decltype(&::name)>(dll, #name)

// Slow calls run fewer times, so that the Wine run stays short: those that
// start a program (tens of milliseconds under Wine) on their sample's path;
// the shortcut (~6 ms), the adapter list (~2 ms) and the host lookup
// (~2.5 ms) on both.
constexpr int kProgramDivisor = 100;
struct Divisors {
    int samples, error_path;
};
const std::map<std::string, Divisors> kDivisors = {{"RunSilent", {kProgramDivisor, 1}},
                                                    {"CreateShortcut", {25, 25}},
                                                    {"GetAddress", {10, 10}},
                                                    {"GetHostIPAddr", {10, 10}},
                                                    {"DelFilesAndDir", {kProgramDivisor, 1}}};

// The error paths that no command-line argument reaches (a NULL text, a
// missing interpreter, a link path too long, a refused root); the other
// functions' samples take their error paths themselves, or they have none.
std::map<std::string, std::function<void()>> ErrorPaths(HMODULE dll, const std::string& folder) {
    const std::string copy = folder + "\\copy.txt", missing = folder + "\\missing.txt";
    const std::string long_link = folder + "\\" + std::string(300, 'x') + ".lnk";
    return {
        // An interpreter that cannot be started.
        {"RunSilent",
         [run = KARVELIN_EXPORT(RunSilent)] {
             char saved[MAX_PATH] = {};
             const DWORD length = ::GetEnvironmentVariableA("COMSPEC", saved, sizeof saved);
             ::SetEnvironmentVariableA("COMSPEC", "C:\\karvelin-soak-missing\\cmd.exe");
             run("exit", "3");
             ::SetEnvironmentVariableA("COMSPEC", length > 0 && length < sizeof saved ? saved : nullptr);
         }},
        // In 32 bits a count whose result cannot be had (the library answers
        // NULL before reading); in 64 bits such a result fits and the count
        // would read past the text, so a NULL text instead.
        {"Recode",
         [f = KARVELIN_EXPORT(Recode)] { ::LocalFree(sizeof(void*) == 4 ? f("abc", 0xFFFFFFFFu) : f(nullptr, 5)); }},
        {"Decode", [f = KARVELIN_EXPORT(Decode)] { ::LocalFree(f(nullptr, 9)); }},
        {"CreateShortcut",
         [=, f = KARVELIN_EXPORT(CreateShortcut)] { f("C:\\windows\\notepad.exe", "", "", long_link.c_str(), ""); }},
        {"TrimRight", [f = KARVELIN_EXPORT(TrimRight)] { f(nullptr); }},
        {"TrimLeft", [f = KARVELIN_EXPORT(TrimLeft)] { f(nullptr); }},
        {"ValidateNet", [f = KARVELIN_EXPORT(ValidateNet)] { f("192.168.1.10", "x", nullptr, "y"); }},
        {"CopyTheFile", [=, f = KARVELIN_EXPORT(CopyTheFile)] { f(missing.c_str(), copy.c_str()); }},
        {"DelFilesAndDir", [f = KARVELIN_EXPORT(DelFilesAndDir)] { f("C:\\"); }},
    };
}

struct SoakCase {
    const char* name;
    std::function<void()> samples, error_path;
    Divisors divisors{1, 1};
};

std::vector<SoakCase> SoakCases(HMODULE dll, const std::string& folder) {
    std::vector<SoakCase> cases;
    const auto errors = ErrorPaths(dll, folder);
    const auto rows = SampleCalls(dll, folder);
    for (std::size_t row = 0; row < rows.size(); ++row) {
        const std::string name = table::kFunctionNames[row];
        std::function<void()> samples = [calls = rows[row]] {
            for (const Call& call : calls) call();
        };
        for (const Call& call : rows[row])
            if (!call) samples = nullptr;  // not exported
        // The removal's sample removes a small tree (its two commands start programs).
        if (name == "DelFilesAndDir" && samples)
            samples = [samples, tree = folder + "\\tree"] {
                ::CreateDirectoryA(tree.c_str(), nullptr);
                ::CreateDirectoryA((tree + "\\sub").c_str(), nullptr);
                std::FILE* file = std::fopen((tree + "\\sub\\f.txt").c_str(), "w");
                if (file) std::fclose(file);
                samples();
            };
        const auto error = errors.find(name);
        const auto divisors = kDivisors.find(name);
        cases.push_back({table::kFunctionNames[row], samples, error != errors.end() ? error->second : samples,
                         divisors != kDivisors.end() ? divisors->second : Divisors{1, 1}});
    }
    return cases;
}

struct Figures {
    unsigned handles, heap, gdi, user;
};
Figures Measure() {
    return {CountHandles(), HeapInUse(), ::GetGuiResources(::GetCurrentProcess(), GR_GDIOBJECTS),
            ::GetGuiResources(::GetCurrentProcess(), GR_USEROBJECTS)};
}

}  // namespace

// The child: per export, after a warm-up, `calls` calls of its samples and of
// its error path (fewer for the slow ones); prints one line per export:
// "soak <name> <calls> <calls> handles A B heap C D gdi E F user G H ms T".
int CallSoakMain(int calls, bool every_call) {
    const TempFolder temp("soak");  // removed on every way out
    const std::string& folder = temp.path();
    if (folder.empty()) return 6;
    if (std::FILE* file = std::fopen((folder + "\\source.txt").c_str(), "w")) {
        std::fputs("soak", file);
        std::fclose(file);
    }
    // The caller's thread holds an apartment, as an installer's may: each
    // CreateShortcut then joins it instead of making one (~10 ms under Wine).
    const HRESULT com = ::CoInitialize(nullptr);
    HMODULE dll = ::LoadLibraryA("Karvelin.dll");
    if (!dll) return 4;
    for (const SoakCase& soak : SoakCases(dll, folder)) {
        if (!soak.samples || !soak.error_path) return 5;
        // The test run divides the slow calls; scripts/soak-long.sh runs them all.
        const int representative = every_call ? calls : calls / soak.divisors.samples;
        const int error_path = every_call ? calls : calls / soak.divisors.error_path;
        for (int i = 0; i < 20; ++i) soak.samples(), soak.error_path();
        const Figures before = Measure();
        const auto start = std::chrono::steady_clock::now();
        for (int i = 0; i < representative; ++i) soak.samples();
        for (int i = 0; i < error_path; ++i) soak.error_path();
        const auto ms =
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count();
        const Figures after = Measure();
        std::printf("\nsoak %s %d %d handles %u %u heap %u %u gdi %u %u user %u %u ms %ld\n", soak.name, representative,
                    error_path, before.handles, after.handles, before.heap, after.heap, before.gdi, after.gdi,
                    before.user, after.user, static_cast<long>(ms));
        std::fflush(stdout);
    }
    ::FreeLibrary(dll);
    if (SUCCEEDED(com)) ::CoUninitialize();
    return 0;
}

namespace {

// 2,000 calls a path in the test run (a leak of two bytes a call shows);
// scripts/soak-long.sh calls every export 10,000 times.
TEST(KarvelinSoak, EveryExportUpToTwoThousandTimesKeepsHandlesHeapAndObjectsFlat) {
    const std::string output = RunSelf(std::string(kCallSoakArg) + " 2000");
    std::istringstream lines(output);
    int exports = 0;
    for (std::string line; std::getline(lines, line);) {
        char name[64] = {};
        int representative = 0, error_path = 0;
        unsigned handles[2], heap[2], gdi[2], user[2];
        long ms = 0;
        if (std::sscanf(line.c_str(), "soak %63s %d %d handles %u %u heap %u %u gdi %u %u user %u %u ms %ld", name,
                        &representative, &error_path, &handles[0], &handles[1], &heap[0], &heap[1], &gdi[0],
                        &gdi[1], &user[0], &user[1], &ms) != 12)
            continue;
        ++exports;
        EXPECT_LE(handles[1], handles[0] + 2) << line;
        EXPECT_LE(heap[1], heap[0] + 4096) << line;
        EXPECT_LE(gdi[1], gdi[0]) << line;
        EXPECT_LE(user[1], user[0]) << line;
        std::printf("%s\n", line.c_str());
    }
    EXPECT_EQ(exports, static_cast<int>(std::size(table::kFunctionNames))) << output;
}

// The functions without side effects, on each of their samples; and the
// library-owned text of GetErrorDescription, unchanged by the thread's next call.
std::vector<Call> PureAnswers(HMODULE dll) {
    std::vector<Call> answers;
    const auto rows = SampleCalls(dll, "");
    std::size_t row = 0;
#define KARVELIN_READS(name, effect, ...)                                                   \
    if (Effect::effect == Effect::Reads) answers.insert(answers.end(), rows[row].begin(), rows[row].end()); \
    ++row;
    KARVELIN_FUNCTION_NOTES(KARVELIN_READS)
#undef KARVELIN_READS
    auto describe = KARVELIN_EXPORT(GetErrorDescription);
    answers.push_back([=] {
        const char* first = describe(236798225u);
        const std::string copy = AnswerText(first);
        return copy + AnswerText(describe(7)) + (std::strcmp(first, "236798225") == 0 ? "" : "overwritten");
    });
    return answers;
}

TEST(KarvelinSoak, ThirtyTwoThreadsGetTheAnswersOfOne) {
    const LoadedKarvelin library;
    const std::vector<Call> answers = PureAnswers(library.get());
    std::vector<std::string> expected;
    for (const Call& answer : answers) {
        ASSERT_TRUE(answer);
        expected.push_back(answer());
    }

    std::atomic<unsigned long> calls{0}, wrong{0};
    const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(3);
    std::vector<std::thread> threads;
    for (unsigned t = 0; t < 32; ++t)
        threads.emplace_back([&, t] {
            // Every thread asks every question at least twice, however slow
            // the host; then it goes on until the time is up.
            const std::size_t rounds = t + 2 * answers.size();
            for (std::size_t i = t; i < rounds || std::chrono::steady_clock::now() < end; ++i) {
                const std::size_t which = i % answers.size();
                if (answers[which]() != expected[which]) ++wrong;
                ++calls;
            }
        });
    for (std::thread& thread : threads) thread.join();
    EXPECT_EQ(wrong.load(), 0u) << "of " << calls.load();
    std::printf("32 threads: %lu calls, %lu wrong\n", calls.load(), wrong.load());
}

}  // namespace
}  // namespace karvelin::test
