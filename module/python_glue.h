// _Karvelin, the library's Python face: the road from a row of the function
// table to its call, the same for both interpreter lines. A row's method
// (g_methods below) is the Call of the glue its handling column names, which
// takes the argument tuple, runs the call and converts its result, within
// the line's log of the call (Logged, CallLog).
//
// What differs between the lines comes from the line's arguments header,
// which this one includes by KARVELIN_PYTHON_LINE (the module's target sets
// it; python_glue_alone.cpp checks that the header needs nothing before it):
// python3_arguments.h or python2_arguments.h, with the interpreter's calls
// (`py`), the takers of texts and text buffers (Param<T>), TakeArguments, Run,
// and the results Integer and AnsiDecode; what both share (Raise, None, the
// integer takers, argument names in errors) is python_arguments.h. Each
// line's registration (python3_module.cpp, python2_binding.cpp) hands
// g_methods to its interpreter.
#pragma once

#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#ifdef _WIN32
#define KARVELIN_PYTHON_INIT extern "C" __declspec(dllexport)
#else
#define KARVELIN_PYTHON_INIT extern "C" __attribute__((visibility("default")))
#endif

#if KARVELIN_PYTHON_LINE == 3
#include "module/python3_arguments.h"
#elif KARVELIN_PYTHON_LINE == 2
#include "module/python2_arguments.h"
#else
#error "KARVELIN_PYTHON_LINE names the interpreter line, 2 or 3: the module's target sets it"
#endif

#include "Karvelin.h"
#include "files/copy_file.h"
#include "files/run_silent.h"
#include "files/tree_removal.h"
#include "module/function_table.h"
#include "module/library_text.h"
#include "module/python_api.h"
#include "module/python_message.h"

namespace karvelin::python {

// ---- results ----

inline Object* Result(ResultCode value) { return Integer(static_cast<std::int32_t>(value)); }
inline Object* Result(std::int32_t value) { return Integer(value); }
inline Object* Result(UnusedInPython) { return None(); }
// A library-owned text, copied; none gives None.
inline Object* Result(const char* text) {
    if (!text) return None();
    return AnsiDecode(text, static_cast<Ssize>(std::strlen(text)));
}

// ---- the glue ----

// A row's glue, by its handling in the function table.
template <auto kFunction, const char* kName, Lock kLock, Handling kHandling, typename Signature = decltype(kFunction)>
struct Glue;

// Any function of texts, integers and text buffers.
template <auto kFunction, const char* kName, Lock kLock, typename R, typename... A>
struct Glue<kFunction, kName, kLock, Handling::Plain, R (*)(A...)> {
    static Object* Call(Object*, Object* args) {
        std::tuple<Param<A>...> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<A...>{})) return nullptr;
        return Invoke(params, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static Object* Invoke(std::tuple<Param<A>...>& params, std::index_sequence<I...>) {
        if constexpr (std::is_void_v<R>) {
            Run<kLock>([&] { kFunction(std::get<I>(params).Value()...); });
            if (!(std::get<I>(params).Done(kName) && ...)) return nullptr;
            return None();
        } else {
            const R result = Run<kLock>([&] { return kFunction(std::get<I>(params).Value()...); });
            if (!(std::get<I>(params).Done(kName) && ...)) return nullptr;
            return Result(result);
        }
    }
};
template <auto kFunction, const char* kName, Lock kLock, typename R, typename... A>
struct Glue<kFunction, kName, kLock, Handling::Plain, R (*)(A...) noexcept>
    : Glue<kFunction, kName, kLock, Handling::Plain, R (*)(A...)> {};

// The calls that wait on the system run with the lock released, but what
// they read of the process is read first, with the lock held, by their
// entry::Prepare... function: RunSilent's COMSPEC and environment (os.environ
// moves the C library's list as it grows, and frees a replaced entry), the
// current folder CopyTheFile and DelFilesAndDir take their names against
// (another thread's os.chdir), and on Linux the home folder DelFilesAndDir
// keeps. Calling what it made starts the copy, command or removal.
template <const char* kName, Lock kLock, auto kPrepare, typename Prepare = decltype(kPrepare)>
struct PreparedGlue;
template <const char* kName, Lock kLock, auto kPrepare, typename Prepared, typename... A>
struct PreparedGlue<kName, kLock, kPrepare, Prepared (*)(A...) noexcept> {
    static Object* Call(Object*, Object* args) {
        std::tuple<Param<A>...> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<A...>{})) return nullptr;
        return Invoke(params, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static Object* Invoke(std::tuple<Param<A>...>& params, std::index_sequence<I...>) {
        Prepared prepared = kPrepare(std::get<I>(params).Value()...);
        if constexpr (std::is_void_v<decltype(prepared())>) {
            Run<kLock>(prepared);
            return None();
        } else {
            return Result(Run<kLock>(prepared));
        }
    }
};
template <auto kFunction, const char* kName, Lock kLock, typename Signature>
struct Glue<kFunction, kName, kLock, Handling::PreparedRun, Signature>
    : PreparedGlue<kName, kLock, &entry::PrepareRunSilent> {};
template <auto kFunction, const char* kName, Lock kLock, typename Signature>
struct Glue<kFunction, kName, kLock, Handling::PreparedCopy, Signature>
    : PreparedGlue<kName, kLock, &entry::PrepareCopyTheFile> {};
template <auto kFunction, const char* kName, Lock kLock, typename Signature>
struct Glue<kFunction, kName, kLock, Handling::Removal, Signature>
    : PreparedGlue<kName, kLock, &entry::PrepareDelFilesAndDir> {};

// A text and a count, answering a new text (Recode, Decode). The count, in
// the text's own units (Param<const char*>::Unit), must lie within the text.
// The answer has the argument's type; None when the library had no memory.
template <auto kFunction, const char* kName, Lock kLock, typename Signature>
struct Glue<kFunction, kName, kLock, Handling::Counted, Signature> {
    static Object* Call(Object*, Object* args) {
        std::tuple<Param<const char*>, Param<std::int32_t>> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<int, int>{})) return nullptr;
        Param<const char*>& text = std::get<0>(params);
        const long long count = std::get<1>(params).value;
        const Ssize length = text.Length();
        if (!CountWithinText(count, length)) {
            Raise(py.PyExc_ValueError, Message() << kName << "() count " << count << " is outside the text of "
                                                 << static_cast<long long>(length) << " " << text.Unit());
            return nullptr;
        }
        const char* bytes = nullptr;
        std::uint32_t size = 0;
        if (!text.Head(static_cast<Ssize>(count), bytes, size)) return nullptr;
        const unique_library_text result(Run<kLock>([&] { return kFunction(bytes, size); }));
        if (!result) return None();
        return text.Answer(result.get(), static_cast<Ssize>(std::strlen(result.get())));
    }
};

// ---- the method table: one row per function of the table ----

// The names, for the glue's messages and the method table.
namespace names {
#define KARVELIN_NAME(name, ...) inline constexpr char name[] = #name;
KARVELIN_FUNCTIONS(KARVELIN_NAME)
#undef KARVELIN_NAME
}  // namespace names

// Each row's docstring: its signature, with the table's argument names in
// lower case, then the table's one-line summary. Python 3 takes a first line
// that "--" follows as the signature (inspect.signature, help); Python 2 shows
// the line as it is.
namespace docs {

inline constexpr const char* kSummaries[] = {
#define KARVELIN_SUMMARY(name, effect, failure, summary) summary,
    KARVELIN_FUNCTION_NOTES(KARVELIN_SUMMARY)
#undef KARVELIN_SUMMARY
};

constexpr std::size_t Length(const char* text) {
    std::size_t length = 0;
    while (text[length]) ++length;
    return length;
}

template <std::size_t kSize>
struct Docstring {
    char text[kSize] = {};
};

// "Name(first, second, /)\n--\n\nsummary" (Python 3) or
// "Name(first, second)\n\nsummary" (Python 2), from "FIRST SECOND".
template <std::size_t kSize>
constexpr Docstring<kSize> Make(const char* name, const char* arguments, const char* summary) {
    Docstring<kSize> doc;
    std::size_t at = 0;
    const auto put = [&](const char* text) {
        while (*text) doc.text[at++] = *text++;
    };
    put(name);
    put("(");
    for (const char* c = arguments; *c; ++c) {
        if (*c == ' ')
            put(", ");
        else
            doc.text[at++] = *c >= 'A' && *c <= 'Z' ? static_cast<char>(*c - 'A' + 'a') : *c;
    }
    put(KARVELIN_PYTHON_LINE == 3 ? (*arguments ? ", /)\n--\n\n" : ")\n--\n\n") : ")\n\n");
    put(summary);
    return doc;
}

// Room for the name, the arguments with ", " between them, the markers and the summary.
#define KARVELIN_DOCSTRING(name, type, arguments, python, lock)                                                  \
    inline constexpr auto name =                                                                                 \
        Make<Length(#name) + 2 * Length(arguments) + Length(kSummaries[table::RowOf(#name)]) + 16>(            \
            #name, arguments, kSummaries[table::RowOf(#name)]);
KARVELIN_FUNCTIONS(KARVELIN_DOCSTRING)
#undef KARVELIN_DOCSTRING

}  // namespace docs

// The module's own docstring, on both lines.
inline constexpr char kModuleDoc[] =
    "Karvelin, installation utilities for Windows hosts: the library's functions under their exported "
    "names, taking and answering plain values (result codes as int). The karvelin package gives them "
    "Python names, types and the ResultCode enum.";

// Each method runs with the line's log of the call (CallLog).
template <CFunction kCall>
Object* Logged(Object* self, Object* args) {
    [[maybe_unused]] const CallLog log{};
    return kCall(self, args);
}

#define KARVELIN_METHOD(name, type, arguments, python, lock)                                                      \
    {names::name, Logged<Glue<&python, names::name, Lock::lock, table::FacesOf(#name).handling>::Call>, kMethVarargs, \
     docs::name.text},
inline MethodDef g_methods[] = {KARVELIN_FUNCTIONS(KARVELIN_METHOD){nullptr, nullptr, 0, nullptr}};
#undef KARVELIN_METHOD

}  // namespace karvelin::python
