// What both interpreter lines' argument takers share, over each line's
// protocol: the line's header declares its interpreter's calls (`py`), how it
// takes a reference (IncRef) and how it takes one integer (IntegerParam:
// `value`, and the line's way of reading it), then includes this header.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <type_traits>

#include "module/function_table.h"
#include "module/python_api.h"
#include "module/python_message.h"

namespace karvelin::python {
using namespace api;

inline void Raise(Object* const* exception, const Message& message) {
    py.PyErr_SetString(*exception, message.c_str());
}

inline Object* None() {
    Object* none = py._Py_NoneStruct;
    IncRef(none);
    return none;
}

// The start of an argument's error: "CreateShortcut() argument 'link_path'",
// the argument named as the function table names it, in lower case.
// `position` counts from 1.
inline Message ArgumentError(const char* function, int position) {
    const std::size_t row = table::RowOf(function);
    const char* names = row < std::size(table::kArgumentNames) ? table::kArgumentNames[row] : "";
    for (int skip = position - 1; skip > 0 && *names; ++names)
        if (*names == ' ') --skip;
    char name[32] = {};
    for (std::size_t length = 0; *names && *names != ' ' && length + 1 < sizeof name; ++names)
        name[length++] = (*names >= 'A' && *names <= 'Z') ? static_cast<char>(*names - 'A' + 'a') : *names;
    return Message() << function << "() argument '" << name << "'";
}

// The default: nothing to check once the call is over.
struct NoCheckAfterCall {
    bool Done(const char*) const { return true; }
};

// One taker per C parameter type. The line's header specialises it for texts
// (const char*) and text buffers (TextBuffer&); what is left are the 32-bit
// integers: one that fits a signed 32-bit value, handed on as those 32 bits.
struct IntegerParam;
template <typename T, typename Taker = IntegerParam>
struct Param : Taker {
    static_assert(std::is_same_v<T, std::uint32_t> || std::is_same_v<T, std::int32_t>,
                  "a C parameter type that no taker takes");
    T Value() const { return static_cast<T>(static_cast<std::uint32_t>(this->value)); }
};

}  // namespace karvelin::python
