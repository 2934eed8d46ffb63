// _Karvelin: the Python face of the library, for Python 3 and Python 2.7.
// The method table and the glue are made from the function table: a glue
// function per kind of argument and result, shared by every function of that
// kind. Each module function takes its arguments, calls the same function the
// C export runs, and turns the answer into a Python object.
//
// Python 3: a text argument is str (encoded with the system ANSI code page:
// mbcs on Windows, the filesystem encoding elsewhere, both with
// surrogateescape so texts come back unchanged) or bytes; a text buffer is a
// writable bytes-like object; argument errors name the function and the
// argument's position.
// Python 2.7: the interpreter's own argument parsing with each function's
// format ("ssss:ValidateNet"); a text buffer is the str object's own storage.
#define PY_SSIZE_T_CLEAN
#include <Python.h>

#include <climits>
#include <cstdint>
#include <cstring>
#include <string>
#include <tuple>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#endif

#include "Karvelin.h"
#include "module/function_table.h"

namespace karvelin::python {
namespace {

#if PY_MAJOR_VERSION >= 3
constexpr bool kPython3 = true;
#else
constexpr bool kPython3 = false;
#endif

// ---- texts in the ANSI code page ----

#if PY_MAJOR_VERSION >= 3
PyObject* AnsiEncode(PyObject* text) {
#ifdef _WIN32
    return PyUnicode_AsEncodedString(text, "mbcs", "surrogateescape");
#else
    return PyUnicode_EncodeFSDefault(text);
#endif
}

// A text as str; where the code page cannot give it back unchanged, the bytes.
PyObject* AnsiDecode(const char* text, Py_ssize_t size) {
#ifdef _WIN32
    PyObject* decoded = PyUnicode_DecodeMBCS(text, size, "surrogateescape");
    if (decoded) return decoded;
    PyErr_Clear();
    return PyBytes_FromStringAndSize(text, size);
#else
    return PyUnicode_DecodeFSDefaultAndSize(text, size);
#endif
}
#else
PyObject* AnsiDecode(const char* text, Py_ssize_t size) { return PyString_FromStringAndSize(text, size); }
#endif

PyObject* Integer(std::int32_t value) {
#if PY_MAJOR_VERSION >= 3
    return PyLong_FromLong(value);
#else
    return PyInt_FromLong(value);
#endif
}

// ---- arguments: one taker per C parameter type ----
// Python 3: Take(item, function, position) converts one tuple item.
// Python 2.7: kLetter and Target() feed PyArg_ParseTuple; Check() then looks
// at the item itself.

template <typename T>
struct Param;

// The default: nothing to check once the call is over.
struct NoCheckAfterCall {
    bool Done(const char*) const { return true; }
};


template <>
struct Param<const char*> : NoCheckAfterCall {  // a text
    static constexpr char kLetter = 's';
    const char* text = nullptr;
    Py_ssize_t size = 0;
    bool is_str = true;
#if PY_MAJOR_VERSION >= 3
    PyObject* owner = nullptr;
    Param() = default;
    Param(const Param&) = delete;
    ~Param() { Py_XDECREF(owner); }
    bool Take(PyObject* item, const char* function, int position) {
        if (PyUnicode_Check(item)) {
            owner = AnsiEncode(item);
            if (!owner) return false;
        } else if (PyBytes_Check(item)) {
            Py_INCREF(item);
            owner = item;
            is_str = false;
        } else {
            PyErr_Format(PyExc_TypeError, "%s() argument %d must be str or bytes, not %.50s", function, position,
                         Py_TYPE(item)->tp_name);
            return false;
        }
        text = PyBytes_AS_STRING(owner);
        size = PyBytes_GET_SIZE(owner);
        if (std::strlen(text) != static_cast<std::size_t>(size)) {
            PyErr_Format(PyExc_ValueError, "%s() argument %d: embedded null character", function, position);
            return false;
        }
        return true;
    }
#else
    void* Target() { return &text; }
    bool Check(PyObject*, const char*, int) {
        size = static_cast<Py_ssize_t>(std::strlen(text));
        return true;
    }
#endif
    const char* Value() const { return text; }
};

// An integer that fits a signed 32-bit value, handed on as those 32 bits.
template <typename T>
struct IntParam : NoCheckAfterCall {
    static constexpr char kLetter = 'i';
    int value = 0;
#if PY_MAJOR_VERSION >= 3
    bool Take(PyObject* item, const char* function, int position) {
        if (!PyIndex_Check(item)) {
            PyErr_Format(PyExc_TypeError, "%s() argument %d must be int, not %.50s", function, position,
                         Py_TYPE(item)->tp_name);
            return false;
        }
        int overflow = 0;
        const long long number = PyLong_AsLongLongAndOverflow(item, &overflow);
        if (number == -1 && PyErr_Occurred()) return false;
        if (overflow != 0 || number > INT32_MAX || number < INT32_MIN) {
            PyErr_Format(PyExc_OverflowError, "%s() argument %d: signed integer is %s", function, position,
                         overflow < 0 || number < 0 ? "less than minimum" : "greater than maximum");
            return false;
        }
        value = static_cast<int>(number);
        return true;
    }
#else
    void* Target() { return &value; }
    bool Check(PyObject*, const char*, int) { return true; }
#endif
    T Value() const { return static_cast<T>(static_cast<std::uint32_t>(value)); }
};
template <>
struct Param<std::uint32_t> : IntParam<std::uint32_t> {};
template <>
struct Param<std::int32_t> : IntParam<std::int32_t> {};

template <>
struct Param<TextBuffer&> {  // a text buffer, written in place
    TextBuffer buffer{nullptr, 0};
    // An output that did not fit was not written: say what it needs.
    bool Done(const char* function) const {
        if (buffer.needed <= buffer.size) return true;
        if (buffer.last_is_terminator)  // a str: its length, without the terminating byte
            PyErr_Format(PyExc_ValueError, "%s() needs a string of %zu characters, not %zu", function,
                         buffer.needed - 1, buffer.size - 1);
        else
            PyErr_Format(PyExc_ValueError, "%s() needs a buffer of %zu bytes, not %zu", function, buffer.needed,
                         buffer.size);
        return false;
    }
#if PY_MAJOR_VERSION >= 3
    Py_buffer view{};
    bool held = false;
    Param() = default;
    Param(const Param&) = delete;
    ~Param() {
        if (held) PyBuffer_Release(&view);
    }
    bool Take(PyObject* item, const char* function, int position) {
        if (PyObject_GetBuffer(item, &view, PyBUF_WRITABLE) < 0) {
            PyErr_Clear();
            PyErr_Format(PyExc_TypeError, "%s() argument %d must be read-write bytes-like object, not %.50s",
                         function, position, Py_TYPE(item)->tp_name);
            return false;
        }
        held = true;
        buffer = {static_cast<char*>(view.buf), static_cast<std::size_t>(view.len)};
        return true;
    }
    TextBuffer& Value() { return buffer; }
#else
    static constexpr char kLetter = 's';
    char* text = nullptr;
    void* Target() { return &text; }
    // The str object's own storage is written, so it must be a str of the
    // caller's own: not a unicode object (whose encoded copy is hidden), not
    // an interned str (shared by every equal string of the process).
    bool Check(PyObject* item, const char* function, int position) {
        if (!PyString_Check(item)) {
            PyErr_Format(PyExc_TypeError, "%s() argument %d must be str, not %.50s", function, position,
                         Py_TYPE(item)->tp_name);
            return false;
        }
        if (PyString_CHECK_INTERNED(item)) {
            PyErr_Format(PyExc_ValueError,
                         "%s() argument %d is a shared (interned) string: pass a string of your own",
                         function, position);
            return false;
        }
        return true;
    }
    TextBuffer& Value() {
        buffer = {text, std::strlen(text) + 1};  // the string's own terminating byte is its last
        buffer.last_is_terminator = true;
        return buffer;
    }
#endif
};

// ---- results ----

PyObject* Result(ResultCode value) { return Integer(static_cast<std::int32_t>(value)); }
PyObject* Result(std::int32_t value) { return Integer(value); }
// A library-owned text, copied; none gives None.
PyObject* Result(const char* text) {
    if (!text) Py_RETURN_NONE;
    return AnsiDecode(text, static_cast<Py_ssize_t>(std::strlen(text)));
}

// ---- the glue ----

// Runs the call, with the interpreter lock released where the table says so.
template <Lock kLock, typename Call>
auto Run(Call&& call) {
    if constexpr (kPython3 && kLock == Lock::Releases) {
        PyThreadState* state = PyEval_SaveThread();
        struct Restore {
            PyThreadState* state;
            ~Restore() { PyEval_RestoreThread(state); }
        } restore{state};
        return call();
    } else {
        return call();
    }
}

[[maybe_unused]] const char* ArgumentCount(Py_ssize_t count) {
    return count == 0 ? "no arguments" : count == 1 ? "exactly one argument" : nullptr;
}

// Takes every argument; false with the Python error set when one is refused.
template <typename Params, std::size_t... I>
bool TakeArguments(PyObject* args, const char* name, Params& params, std::index_sequence<I...>) {
    constexpr Py_ssize_t kCount = sizeof...(I);
#if PY_MAJOR_VERSION >= 3
    const Py_ssize_t given = PyTuple_GET_SIZE(args);
    if (given != kCount) {
        if (const char* takes = ArgumentCount(kCount))
            PyErr_Format(PyExc_TypeError, "%s() takes %s (%zd given)", name, takes, given);
        else
            PyErr_Format(PyExc_TypeError, "%s() takes exactly %zd arguments (%zd given)", name, kCount, given);
        return false;
    }
    return (std::get<I>(params).Take(PyTuple_GET_ITEM(args, I), name, static_cast<int>(I) + 1) && ...);
#else
    // The function's own format, as the interpreter's parser reads it.
    const std::string format = std::string{std::tuple_element_t<I, Params>::kLetter...} + ":" + name;
    if (!PyArg_ParseTuple(args, format.c_str(), std::get<I>(params).Target()...)) return false;
    (void)kCount;
    return (std::get<I>(params).Check(PyTuple_GET_ITEM(args, I), name, static_cast<int>(I) + 1) && ...);
#endif
}

template <auto kFunction, const char* kName, Lock kLock, typename Signature = decltype(kFunction)>
struct Glue;

// Any function of texts, integers and text buffers.
template <auto kFunction, const char* kName, Lock kLock, typename R, typename... A>
struct Glue<kFunction, kName, kLock, R (*)(A...)> {
    static PyObject* Call(PyObject*, PyObject* args) {
        std::tuple<Param<A>...> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<A...>{})) return nullptr;
        return Invoke(params, std::index_sequence_for<A...>{});
    }
    template <std::size_t... I>
    static PyObject* Invoke(std::tuple<Param<A>...>& params, std::index_sequence<I...>) {
        if constexpr (std::is_void_v<R>) {
            Run<kLock>([&] { kFunction(std::get<I>(params).Value()...); });
            if (!(std::get<I>(params).Done(kName) && ...)) return nullptr;
            Py_RETURN_NONE;
        } else {
            const R result = Run<kLock>([&] { return kFunction(std::get<I>(params).Value()...); });
            if (!(std::get<I>(params).Done(kName) && ...)) return nullptr;
            return Result(result);
        }
    }
};
template <auto kFunction, const char* kName, Lock kLock, typename R, typename... A>
struct Glue<kFunction, kName, kLock, R (*)(A...) noexcept> : Glue<kFunction, kName, kLock, R (*)(A...)> {};

// A text and a count, answering a new text (Recode, Decode). The count must
// lie within the text, so the library never reads past it: characters of a
// str, bytes of bytes. The answer has the argument's type; None when the
// library had no memory.
template <auto kFunction, const char* kName, Lock kLock>
struct Glue<kFunction, kName, kLock, char* (*)(const char*, std::uint32_t)> {
    static PyObject* Call(PyObject*, PyObject* args) {
        std::tuple<Param<const char*>, Param<std::int32_t>> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<int, int>{})) return nullptr;
        Param<const char*>& text = std::get<0>(params);
        const long long count = std::get<1>(params).value;
        const char* unit = "bytes";
        Py_ssize_t length = text.size;
#if PY_MAJOR_VERSION >= 3
        PyObject* head = nullptr;  // the encoded first `count` characters of a str
        PyObject* item = PyTuple_GET_ITEM(args, 0);
        if (text.is_str) {
            unit = "characters";
            length = PyUnicode_GET_LENGTH(item);
        }
#endif
        if (count < 0 || count > length) {
            PyErr_Format(PyExc_ValueError, "%s() count %lld is outside the text of %zd %s", kName, count, length,
                         unit);
            return nullptr;
        }
        const char* bytes = text.text;
        std::uint32_t size = static_cast<std::uint32_t>(count);
#if PY_MAJOR_VERSION >= 3
        if (text.is_str) {
            PyObject* characters = PyUnicode_Substring(item, 0, static_cast<Py_ssize_t>(count));
            if (!characters) return nullptr;
            head = AnsiEncode(characters);
            Py_DECREF(characters);
            if (!head) return nullptr;
            bytes = PyBytes_AS_STRING(head);
            size = static_cast<std::uint32_t>(PyBytes_GET_SIZE(head));
        }
#endif
        char* result = Run<kLock>([&] { return kFunction(bytes, size); });
#if PY_MAJOR_VERSION >= 3
        Py_XDECREF(head);
#endif
        if (!result) Py_RETURN_NONE;
        const Py_ssize_t result_size = static_cast<Py_ssize_t>(std::strlen(result));
        PyObject* answer = text.is_str ? AnsiDecode(result, result_size)
#if PY_MAJOR_VERSION >= 3
                                       : PyBytes_FromStringAndSize(result, result_size);
#else
                                       : AnsiDecode(result, result_size);
#endif
        KARVELIN_FREE_TEXT(result);
        return answer;
    }
};

// The names, for the glue's messages and the method table.
namespace names {
#define KARVELIN_NAME(name, ...) constexpr char name[] = #name;
KARVELIN_FUNCTIONS(KARVELIN_NAME)
#undef KARVELIN_NAME
}  // namespace names

#define KARVELIN_METHOD(name, type, arguments, python, lock) \
    {names::name, Glue<&python, names::name, Lock::lock>::Call, METH_VARARGS, nullptr},
PyMethodDef g_methods[] = {KARVELIN_FUNCTIONS(KARVELIN_METHOD){nullptr, nullptr, 0, nullptr}};
#undef KARVELIN_METHOD

#if PY_MAJOR_VERSION >= 3
PyModuleDef g_module = {PyModuleDef_HEAD_INIT, "_Karvelin", nullptr, -1, g_methods,
                        nullptr,               nullptr,     nullptr, nullptr};
#endif

}  // namespace
}  // namespace karvelin::python

#if PY_MAJOR_VERSION >= 3
PyMODINIT_FUNC PyInit__Karvelin(void) { return PyModule_Create(&karvelin::python::g_module); }
#else
PyMODINIT_FUNC init_Karvelin(void) {
    PyObject* module = Py_InitModule4("_Karvelin", karvelin::python::g_methods, nullptr, nullptr, PYTHON_API_VERSION);
    if (module != nullptr) (void)PyModule_GetDict(module);
}
#endif
