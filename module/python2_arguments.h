// The Python 2 line's arguments: its table of interpreter calls, filled by
// init_Karvelin from the interpreter running in the process
// (python2_binding.cpp), and one argument taker per C parameter type. The
// interpreter's own parser takes the tuple with each function's format
// ("ssss:ValidateNet"): a taker gives its format letter and where the parser
// writes, then checks the item itself. A text buffer is the str object's own
// storage.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <utility>

#include "module/function_table.h"
#include "module/python_api.h"
#include "module/python_message.h"

namespace karvelin::python {
using namespace api;

// The interpreter's calls, and the addresses of its variables.
#define KARVELIN_CALL_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
#define KARVELIN_DATA_MEMBER(type, name) type* name = nullptr;
struct Interpreter {
    KARVELIN_PYTHON2_CALLS(KARVELIN_CALL_MEMBER, KARVELIN_DATA_MEMBER)
};
#undef KARVELIN_CALL_MEMBER
#undef KARVELIN_DATA_MEMBER

extern Interpreter py;  // filled by init_Karvelin once every call has been found

inline void IncRef(Object* object) { ++object->ob_refcnt; }  // Python 2.3 has no Py_IncRef

}  // namespace karvelin::python

#include "module/python_arguments.h"

namespace karvelin::python {

inline Object* Integer(std::int32_t value) { return py.PyInt_FromLong(value); }

// A text in the ANSI code page: a str holds its bytes as they are.
inline Object* AnsiDecode(const char* text, Ssize size) { return py.PyString_FromStringAndSize(text, size); }

// ---- one taker per C parameter type: kLetter and Target() feed the parser,
// Check() then looks at the item ----

template <>
struct Param<const char*> : NoCheckAfterCall {  // a text
    static constexpr char kLetter = 's';
    const char* text = nullptr;
    Ssize size = 0;
    void* Target() { return &text; }
    bool Check(Object*, const char*, int) {
        size = static_cast<Ssize>(std::strlen(text));
        return true;
    }
    const char* Value() const { return text; }

    // For a text with a count (Recode, Decode): bytes, and the answer a str.
    const char* Unit() const { return "bytes"; }
    Ssize Length() const { return size; }
    bool Head(Ssize count, const char*& bytes, std::uint32_t& bytes_size) const {
        bytes = text;
        bytes_size = static_cast<std::uint32_t>(count);
        return true;
    }
    Object* Answer(const char* result, Ssize result_size) const { return AnsiDecode(result, result_size); }
};

// An integer that fits a signed 32-bit value (Param<uint32_t>, Param<int32_t>).
struct IntegerParam : NoCheckAfterCall {
    static constexpr char kLetter = 'i';
    int value = 0;
    void* Target() { return &value; }
    bool Check(Object*, const char*, int) { return true; }
};

template <>
struct Param<TextBuffer&> {  // a str, written in place
    static constexpr char kLetter = 's';
    TextBuffer buffer{nullptr, 0};
    char* text = nullptr;
    void* Target() { return &text; }
    // The str object's own storage is written, so it must be a str of the
    // caller's own: not a unicode object (whose encoded copy is hidden), not
    // an interned str (shared by every equal string of the process).
    bool Check(Object* item, const char* function, int position);
    TextBuffer& Value() {
        buffer = {text, std::strlen(text) + 1};  // the string's own terminating byte is its last
        buffer.last_is_terminator = true;
        return buffer;
    }
    // An output that did not fit was not written: say what it needs, as a
    // str's length (without the terminating byte).
    bool Done(const char* function) const;
};

// Takes every argument with the function's own format, as the interpreter's
// parser reads it; false with the Python error set when one is refused.
template <typename Params, std::size_t... I>
bool TakeArguments(Object* args, const char* name, Params& params, std::index_sequence<I...>) {
    const char letters[] = {std::tuple_element_t<I, Params>::kLetter..., ':', '\0'};
    const Message format = Message() << letters << name;
    if (!py.PyArg_ParseTuple(args, format.c_str(), std::get<I>(params).Target()...)) return false;
    return (std::get<I>(params).Check(py.PyTuple_GetItem(args, I), name, static_cast<int>(I) + 1) && ...);
}

// The Python 2 face keeps no log of its own: its calls keep the interpreter
// lock throughout, so the log reads KARVELIN_LOG itself, with the lock held.
struct CallLog {};

// Runs the call: the Python 2 face keeps the interpreter lock throughout.
template <Lock, typename Call>
auto Run(Call&& call) {
    return call();
}

}  // namespace karvelin::python
