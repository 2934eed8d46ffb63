// The Python 3 line's arguments: its table of interpreter calls, bound by the
// loader to the stable ABI's own names (python3.dll on Windows, through an
// import library made at build time), and one argument taker per C parameter
// type, each converting one item of the argument tuple.
//
// A text argument is str (encoded with the system ANSI code page: mbcs on
// Windows, the filesystem encoding elsewhere, both with surrogateescape so
// texts come back unchanged) or bytes; a text buffer is a bytearray (the
// stable ABI's writable buffer at 3.9). Argument errors name the function and
// the argument, as the function table names it; an output that does not fit raises
// ValueError(message, size needed).
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "common/log.h"
#include "common/unique_any.h"
#include "module/function_table.h"
#include "module/python_api.h"
#include "module/python_message.h"

#ifdef _WIN32
#define KARVELIN_PYTHON_DATA __declspec(dllimport)
#else
#define KARVELIN_PYTHON_DATA
#endif

// The stable ABI's names, as the loader binds them.
namespace karvelin::python::linked {
using namespace api;
#define KARVELIN_DECLARE_CALL(result, name, parameters) result name parameters;
#define KARVELIN_DECLARE_DATA(type, name) extern KARVELIN_PYTHON_DATA type name;
extern "C" {
KARVELIN_PYTHON3_CALLS(KARVELIN_DECLARE_CALL, KARVELIN_DECLARE_DATA)
}
#undef KARVELIN_DECLARE_CALL
#undef KARVELIN_DECLARE_DATA
}  // namespace karvelin::python::linked

namespace karvelin::python {
using namespace api;

// The interpreter's calls, and the addresses of its variables.
#define KARVELIN_CALL_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
#define KARVELIN_DATA_MEMBER(type, name) type* name = nullptr;
struct Interpreter {
    KARVELIN_PYTHON3_CALLS(KARVELIN_CALL_MEMBER, KARVELIN_DATA_MEMBER)
};
#undef KARVELIN_CALL_MEMBER
#undef KARVELIN_DATA_MEMBER

extern const Interpreter py;  // the linked names (python3_arguments.cpp)

inline void IncRef(Object* object) { py.Py_IncRef(object); }

// A reference of ours, given back when its owner goes.
struct ObjectTraits {
    using pointer = Object*;
    static pointer invalid() noexcept { return nullptr; }
    static void close(pointer object) noexcept { py.Py_DecRef(object); }
};
using unique_object = unique_any<ObjectTraits>;

}  // namespace karvelin::python

#include "module/python_arguments.h"

namespace karvelin::python {

inline Object* Integer(std::int32_t value) { return py.PyLong_FromLong(value); }

// Texts in the ANSI code page: a str encoded as a new bytes object; a text
// as str, or where the code page cannot give it back unchanged, the bytes.
Object* AnsiEncode(Object* text);
Object* AnsiDecode(const char* text, Ssize size);

// ---- one taker per C parameter type: Take(item, function, position) ----

template <>
struct Param<const char*> : NoCheckAfterCall {  // a text: str or bytes
    const char* text = nullptr;
    Ssize size = 0;  // in bytes

    bool Take(Object* item, const char* function, int position);
    const char* Value() const { return text; }

    // For a text with a count (Recode, Decode), counted in the argument's own
    // units: characters of a str, bytes of bytes.
    const char* Unit() const { return is_str_ ? "characters" : "bytes"; }
    Ssize Length() const;
    // The text's first `count` units, as the bytes the library reads.
    bool Head(Ssize count, const char*& bytes, std::uint32_t& bytes_size);
    // A new text of the library's, as an object of the argument's type.
    Object* Answer(const char* result, Ssize result_size) const;

private:
    Object* item_ = nullptr;  // the tuple's, held by it for the whole call
    unique_object owner_;     // a str's encoding
    unique_object head_;      // the encoding of a str's first `count` characters
    bool is_str_ = true;
};

// An integer that fits a signed 32-bit value (Param<uint32_t>, Param<int32_t>).
struct IntegerParam : NoCheckAfterCall {
    int value = 0;
    bool Take(Object* item, const char* function, int position);
};

template <>
struct Param<TextBuffer&> {  // a bytearray, written in place
    TextBuffer buffer{nullptr, 0};
    bool Take(Object* item, const char* function, int position);
    TextBuffer& Value() { return buffer; }
    // An output that did not fit was not written: ValueError(message, needed)
    // tells the caller the size it needs.
    bool Done(const char* function) const;
};

// Takes every argument; false with the Python error set when one is refused.
template <typename Params, std::size_t... I>
bool TakeArguments(Object* args, const char* name, Params& params, std::index_sequence<I...>) {
    constexpr Ssize kCount = sizeof...(I);
    const Ssize given = py.PyTuple_Size(args);
    if (given != kCount) {
        Message message;
        message << name << "() takes ";
        if (kCount == 0)
            message << "no arguments";
        else if (kCount == 1)
            message << "exactly one argument";
        else
            message << "exactly " << static_cast<long long>(kCount) << " arguments";
        Raise(py.PyExc_TypeError, message << " (" << static_cast<long long>(given) << " given)");
        return false;
    }
    return (std::get<I>(params).Take(py.PyTuple_GetItem(args, I), name, static_cast<int>(I) + 1) && ...);
}

// Runs the call, with the interpreter lock released where the table says so.
template <Lock kLock, typename Call>
auto Run(Call&& call) {
    if constexpr (kLock == Lock::Releases) {
        struct Restore {
            ThreadState* state;
            ~Restore() { py.PyEval_RestoreThread(state); }
        } restore{py.PyEval_SaveThread()};
        return call();
    } else {
        return call();
    }
}

// The log of one call made through this face (common/log.h), made with the
// interpreter lock held as the call begins and ended with it held again. It
// reads KARVELIN_LOG when the call begins, as the call's other readings of
// the environment are made, and asks the logger "karvelin" which levels it
// takes; the call's lines reach the file as they come, and `logging` once
// the call is over: steps at DEBUG, failures at WARNING, the call's own
// answer or error left as it was. Until the caller has imported `logging`,
// there is nobody to take a record, and none is made.
class CallLog final : public log::CallSink {
public:
    CallLog() noexcept;
    ~CallLog();
    CallLog(const CallLog&) = delete;
    CallLog& operator=(const CallLog&) = delete;

    bool Wants(log::Level level) const noexcept override;
    void Take(log::Level level, const char* function, const std::string& text) noexcept override;

    // Tells the log how to find the calling thread's call (when the module loads).
    static void Install() noexcept;

private:
    CallLog* outer_;  // a call a `logging` handler made during another's
    int level_;       // the logger's effective level
    std::vector<std::pair<int, std::string>> records_;  // level, message
};

}  // namespace karvelin::python
