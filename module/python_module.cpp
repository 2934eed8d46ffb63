// _Karvelin: the library's Python face. One glue for every interpreter: the
// method table, the argument takers and the result converters are made from
// the function table, and reach the interpreter only through `py`, a table of
// its calls (python_api.h). Built once per interpreter line:
//
// Python 3 (KARVELIN_PYTHON_MAJOR 3): the stable ABI, linked against the
// interpreter (python3.dll on Windows). A text argument is str (encoded with
// the system ANSI code page: mbcs on Windows, the filesystem encoding
// elsewhere, both with surrogateescape so texts come back unchanged) or bytes;
// a text buffer is a bytearray (the stable ABI's writable buffer at 3.9);
// argument errors name the function and the argument's position; an output
// that does not fit raises ValueError(message, size needed).
// Python 2 (KARVELIN_PYTHON_MAJOR 2): part of Karvelin.dll, which imports no
// Python DLL. init_Karvelin finds the one Python 2 interpreter running in
// the process and looks its calls up by name; the interpreter's own argument
// parsing runs with each function's format ("ssss:ValidateNet"); a text
// buffer is the str object's own storage.
#include <algorithm>
#include <charconv>
#include <climits>
#include <cstdint>
#include <cstring>
#include <tuple>
#include <type_traits>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#include <cstdlib>
#endif

#include "Karvelin.h"
#include "files/run_silent.h"
#include "module/function_table.h"
#include "module/python_api.h"

#ifndef KARVELIN_PYTHON_MAJOR
#error "KARVELIN_PYTHON_MAJOR (2 or 3) says which interpreter line this face is for"
#endif

#ifdef _WIN32
#define KARVELIN_PYTHON_DATA __declspec(dllimport)
#define KARVELIN_PYTHON_INIT extern "C" __declspec(dllexport)
#else
#define KARVELIN_PYTHON_DATA
#define KARVELIN_PYTHON_INIT extern "C" __attribute__((visibility("default")))
#endif

namespace karvelin::python {
using namespace api;

// The interpreter's calls, and the addresses of its variables.
#define KARVELIN_CALL_MEMBER(result, name, parameters) result(*name) parameters = nullptr;
#define KARVELIN_DATA_MEMBER(type, name) type* name = nullptr;
struct Interpreter {
#if KARVELIN_PYTHON_MAJOR >= 3
    KARVELIN_PYTHON3_CALLS(KARVELIN_CALL_MEMBER, KARVELIN_DATA_MEMBER)
#else
    KARVELIN_PYTHON2_CALLS(KARVELIN_CALL_MEMBER, KARVELIN_DATA_MEMBER)
#endif
};
#undef KARVELIN_CALL_MEMBER
#undef KARVELIN_DATA_MEMBER

}  // namespace karvelin::python

#if KARVELIN_PYTHON_MAJOR >= 3
// Bound by the loader: the stable ABI's own names.
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
#endif

namespace karvelin::python {
namespace {

#if KARVELIN_PYTHON_MAJOR >= 3
constexpr bool kPython3 = true;
#define KARVELIN_ADDRESS(result, name, parameters) &linked::name,
#define KARVELIN_DATA_ADDRESS(type, name) &linked::name,
const Interpreter py = {KARVELIN_PYTHON3_CALLS(KARVELIN_ADDRESS, KARVELIN_DATA_ADDRESS)};
#undef KARVELIN_ADDRESS
#undef KARVELIN_DATA_ADDRESS
#else
constexpr bool kPython3 = false;
// Filled by init_Karvelin once every call has been found.
Interpreter py;
#endif

// ---- messages, made without allocating ----

class Message {
public:
    Message& operator<<(const char* text) { return Append(text, std::strlen(text)); }
    Message& operator<<(std::size_t number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return Append(digits, static_cast<std::size_t>(end - digits));
    }
    Message& operator<<(long long number) {
        char digits[24];
        const auto end = std::to_chars(digits, digits + sizeof digits, number).ptr;
        return Append(digits, static_cast<std::size_t>(end - digits));
    }
    Message& operator<<(int number) { return *this << static_cast<long long>(number); }
    // At most 50 bytes of a name read from an object.
    Message& Name(const char* text) { return Append(text, std::min<std::size_t>(std::strlen(text), 50)); }
    const char* c_str() const { return text_; }

private:
    Message& Append(const char* text, std::size_t size) {
        size = std::min(size, sizeof text_ - 1 - length_);
        std::memcpy(text_ + length_, text, size);
        length_ += size;
        text_[length_] = '\0';
        return *this;
    }
    char text_[256] = {};
    std::size_t length_ = 0;
};

void Raise(Object* const* exception, const Message& message) { py.PyErr_SetString(*exception, message.c_str()); }

// The name of an object's type, for argument errors.
class TypeName {
public:
    explicit TypeName(Object* item) {
#if KARVELIN_PYTHON_MAJOR >= 3
        // The stable ABI keeps the type's layout hidden: ask for __name__.
        if (Object* name = py.PyObject_GetAttrString(reinterpret_cast<Object*>(item->ob_type), "__name__")) {
            owner_ = py.PyUnicode_AsUTF8String(name);
            py.Py_DecRef(name);
        }
        char* text = nullptr;
        Ssize size = 0;
        if (owner_ && py.PyBytes_AsStringAndSize(owner_, &text, &size) == 0)
            text_ = text;
        else
            py.PyErr_Clear();
#else
        text_ = reinterpret_cast<const TypeHead*>(item->ob_type)->tp_name;
#endif
    }
#if KARVELIN_PYTHON_MAJOR >= 3
    TypeName(const TypeName&) = delete;
    ~TypeName() {
        if (owner_) py.Py_DecRef(owner_);
    }
#endif
    const char* c_str() const { return text_; }

private:
    const char* text_ = "?";
#if KARVELIN_PYTHON_MAJOR >= 3
    Object* owner_ = nullptr;
#endif
};

Object* None() {
    Object* none = py._Py_NoneStruct;
#if KARVELIN_PYTHON_MAJOR >= 3
    py.Py_IncRef(none);
#else
    ++none->ob_refcnt;  // Python 2.3 has no Py_IncRef
#endif
    return none;
}

// ---- texts in the ANSI code page ----

#if KARVELIN_PYTHON_MAJOR >= 3
Object* AnsiEncode(Object* text) {
#ifdef _WIN32
    return py.PyUnicode_AsEncodedString(text, "mbcs", "surrogateescape");
#else
    return py.PyUnicode_EncodeFSDefault(text);
#endif
}

// A text as str; where the code page cannot give it back unchanged, the bytes.
Object* AnsiDecode(const char* text, Ssize size) {
#ifdef _WIN32
    if (Object* decoded = py.PyUnicode_Decode(text, size, "mbcs", "surrogateescape")) return decoded;
    py.PyErr_Clear();
    return py.PyBytes_FromStringAndSize(text, size);
#else
    return py.PyUnicode_DecodeFSDefaultAndSize(text, size);
#endif
}

bool IsInstance(Object* item, unsigned long flag) { return (py.PyType_GetFlags(item->ob_type) & flag) != 0; }
#else
Object* AnsiDecode(const char* text, Ssize size) { return py.PyString_FromStringAndSize(text, size); }
#endif

Object* Integer(std::int32_t value) {
#if KARVELIN_PYTHON_MAJOR >= 3
    return py.PyLong_FromLong(value);
#else
    return py.PyInt_FromLong(value);
#endif
}

// ---- arguments: one taker per C parameter type ----
// Python 3: Take(item, function, position) converts one tuple item.
// Python 2: kLetter and Target() feed PyArg_ParseTuple; Check() then looks
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
    Ssize size = 0;
    bool is_str = true;
#if KARVELIN_PYTHON_MAJOR >= 3
    Object* owner = nullptr;
    Param() = default;
    Param(const Param&) = delete;
    ~Param() {
        if (owner) py.Py_DecRef(owner);
    }
    bool Take(Object* item, const char* function, int position) {
        // A bytes item is the tuple's, which holds it for the whole call; a
        // str's encoding is a new object of its own.
        Object* bytes = item;
        if (IsInstance(item, kBytesSubclass)) {
            is_str = false;
        } else if (IsInstance(item, kUnicodeSubclass)) {
            owner = bytes = AnsiEncode(item);
            if (!owner) return false;
        } else {
            Raise(py.PyExc_TypeError, Message() << function << "() argument " << position
                                                << " must be str or bytes, not " << TypeName(item).c_str());
            return false;
        }
        char* data = nullptr;
        if (py.PyBytes_AsStringAndSize(bytes, &data, &size) < 0) return false;
        text = data;
        if (std::strlen(text) != static_cast<std::size_t>(size)) {
            Raise(py.PyExc_ValueError, Message() << function << "() argument " << position
                                                 << ": embedded null character");
            return false;
        }
        return true;
    }
#else
    void* Target() { return &text; }
    bool Check(Object*, const char*, int) {
        size = static_cast<Ssize>(std::strlen(text));
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
#if KARVELIN_PYTHON_MAJOR >= 3
    bool Take(Object* item, const char* function, int position) {
        if (!py.PyIndex_Check(item)) {
            Raise(py.PyExc_TypeError, Message() << function << "() argument " << position << " must be int, not "
                                                << TypeName(item).c_str());
            return false;
        }
        int overflow = 0;
        const long long number = py.PyLong_AsLongLongAndOverflow(item, &overflow);
        if (number == -1 && py.PyErr_Occurred()) return false;
        if (overflow != 0 || number > INT32_MAX || number < INT32_MIN) {
            Raise(py.PyExc_OverflowError,
                  Message() << function << "() argument " << position << ": signed integer is "
                            << (overflow < 0 || number < 0 ? "less than minimum" : "greater than maximum"));
            return false;
        }
        value = static_cast<int>(number);
        return true;
    }
#else
    void* Target() { return &value; }
    bool Check(Object*, const char*, int) { return true; }
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
#if KARVELIN_PYTHON_MAJOR >= 3
        // ValueError(message, needed): the caller reads the size it needs.
        const Message message = Message() << function << "() needs a buffer of " << buffer.needed << " bytes, not "
                                          << buffer.size;
        Object* args = py.PyTuple_New(2);
        if (!args) return false;
        Object* text = py.PyUnicode_FromString(message.c_str());
        Object* needed = text ? py.PyLong_FromSize_t(buffer.needed) : nullptr;
        if (needed) {
            py.PyTuple_SetItem(args, 0, text);  // each steals its item
            py.PyTuple_SetItem(args, 1, needed);
            py.PyErr_SetObject(*py.PyExc_ValueError, args);
        } else if (text) {
            py.Py_DecRef(text);
        }
        py.Py_DecRef(args);
#else
        // A str: its length, without the terminating byte.
        Raise(py.PyExc_ValueError, Message() << function << "() needs a string of " << buffer.needed - 1
                                             << " characters, not " << buffer.size - 1);
#endif
        return false;
    }
#if KARVELIN_PYTHON_MAJOR >= 3
    // The bytearray stays in the argument tuple for the call, and these
    // calls keep the interpreter lock, so nobody resizes it meanwhile.
    bool Take(Object* item, const char* function, int position) {
        if (item->ob_type != py.PyByteArray_Type && !py.PyType_IsSubtype(item->ob_type, py.PyByteArray_Type)) {
            Raise(py.PyExc_TypeError, Message() << function << "() argument " << position
                                                << " must be bytearray, not " << TypeName(item).c_str());
            return false;
        }
        buffer = {py.PyByteArray_AsString(item), static_cast<std::size_t>(py.PyByteArray_Size(item))};
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
    bool Check(Object* item, const char* function, int position) {
        if (item->ob_type != py.PyString_Type && !py.PyType_IsSubtype(item->ob_type, py.PyString_Type)) {
            Raise(py.PyExc_TypeError, Message() << function << "() argument " << position << " must be str, not "
                                                << TypeName(item).c_str());
            return false;
        }
        if (reinterpret_cast<const StringObject*>(item)->ob_sstate != 0) {
            Raise(py.PyExc_ValueError, Message() << function << "() argument " << position
                                                 << " is a shared (interned) string: pass a string of your own");
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

Object* Result(ResultCode value) { return Integer(static_cast<std::int32_t>(value)); }
Object* Result(std::int32_t value) { return Integer(value); }
// A library-owned text, copied; none gives None.
Object* Result(const char* text) {
    if (!text) return None();
    return AnsiDecode(text, static_cast<Ssize>(std::strlen(text)));
}

// ---- the glue ----

// Runs the call, with the interpreter lock released where the table says so.
template <Lock kLock, typename Call>
auto Run(Call&& call) {
#if KARVELIN_PYTHON_MAJOR >= 3
    if constexpr (kLock == Lock::Releases) {
        struct Restore {
            ThreadState* state;
            ~Restore() { py.PyEval_RestoreThread(state); }
        } restore{py.PyEval_SaveThread()};
        return call();
    } else {
        return call();
    }
#else
    return call();
#endif
}

// Takes every argument; false with the Python error set when one is refused.
template <typename Params, std::size_t... I>
bool TakeArguments(Object* args, const char* name, Params& params, std::index_sequence<I...>) {
    constexpr Ssize kCount = sizeof...(I);
#if KARVELIN_PYTHON_MAJOR >= 3
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
#else
    // The function's own format, as the interpreter's parser reads it.
    const char letters[] = {std::tuple_element_t<I, Params>::kLetter..., ':', '\0'};
    const Message format = Message() << letters << name;
    if (!py.PyArg_ParseTuple(args, format.c_str(), std::get<I>(params).Target()...)) return false;
    (void)kCount;
    return (std::get<I>(params).Check(py.PyTuple_GetItem(args, I), name, static_cast<int>(I) + 1) && ...);
#endif
}

template <auto kFunction, const char* kName, Lock kLock, typename Signature = decltype(kFunction)>
struct Glue;

// Any function of texts, integers and text buffers.
template <auto kFunction, const char* kName, Lock kLock, typename R, typename... A>
struct Glue<kFunction, kName, kLock, R (*)(A...)> {
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
struct Glue<kFunction, kName, kLock, R (*)(A...) noexcept> : Glue<kFunction, kName, kLock, R (*)(A...)> {};

// RunSilent reads COMSPEC and the environment, which another Python thread
// may change while the lock is released (os.environ moves the C library's
// list as it grows, and frees a replaced entry): it is made ready with the
// lock held, and only the command's start and wait run released.
template <const char* kName, Lock kLock>
struct Glue<&::RunSilent, kName, kLock, decltype(&::RunSilent)> {
    static Object* Call(Object*, Object* args) {
        std::tuple<Param<const char*>, Param<const char*>> params;
        if (!TakeArguments(args, kName, params, std::index_sequence<0, 1>{})) return nullptr;
        files::SilentRun run = entry::PrepareRunSilent(std::get<0>(params).Value(), std::get<1>(params).Value());
        return Result(Run<kLock>(run));
    }
};

// A text and a count, answering a new text (Recode, Decode). The count must
// lie within the text, so the library never reads past it: characters of a
// str, bytes of bytes. The answer has the argument's type; None when the
// library had no memory.
template <auto kFunction, const char* kName, Lock kLock>
struct Glue<kFunction, kName, kLock, char* (*)(const char*, std::uint32_t)> {
    static Object* Call(Object*, Object* args) {
        std::tuple<Param<const char*>, Param<std::int32_t>> params;
        if (!TakeArguments(args, kName, params, std::index_sequence_for<int, int>{})) return nullptr;
        Param<const char*>& text = std::get<0>(params);
        const long long count = std::get<1>(params).value;
        const char* unit = "bytes";
        Ssize length = text.size;
#if KARVELIN_PYTHON_MAJOR >= 3
        Object* item = py.PyTuple_GetItem(args, 0);
        if (text.is_str) {
            unit = "characters";
            length = py.PyUnicode_GetLength(item);
        }
#endif
        if (count < 0 || count > length) {
            Raise(py.PyExc_ValueError, Message() << kName << "() count " << count << " is outside the text of "
                                                 << static_cast<long long>(length) << " " << unit);
            return nullptr;
        }
        const char* bytes = text.text;
        std::uint32_t size = static_cast<std::uint32_t>(count);
#if KARVELIN_PYTHON_MAJOR >= 3
        Object* head = nullptr;  // the encoded first `count` characters of a str
        if (text.is_str) {
            Object* characters = py.PyUnicode_Substring(item, 0, static_cast<Ssize>(count));
            if (!characters) return nullptr;
            head = AnsiEncode(characters);
            py.Py_DecRef(characters);
            char* data = nullptr;
            Ssize head_size = 0;
            if (!head || py.PyBytes_AsStringAndSize(head, &data, &head_size) < 0) {
                if (head) py.Py_DecRef(head);
                return nullptr;
            }
            bytes = data;
            size = static_cast<std::uint32_t>(head_size);
        }
#endif
        char* result = Run<kLock>([&] { return kFunction(bytes, size); });
#if KARVELIN_PYTHON_MAJOR >= 3
        if (head) py.Py_DecRef(head);
#endif
        if (!result) return None();
        const Ssize result_size = static_cast<Ssize>(std::strlen(result));
#if KARVELIN_PYTHON_MAJOR >= 3
        Object* answer = text.is_str ? AnsiDecode(result, result_size) : py.PyBytes_FromStringAndSize(result, result_size);
#else
        Object* answer = AnsiDecode(result, result_size);
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
    {names::name, Glue<&python, names::name, Lock::lock>::Call, kMethVarargs, nullptr},
MethodDef g_methods[] = {KARVELIN_FUNCTIONS(KARVELIN_METHOD){nullptr, nullptr, 0, nullptr}};
#undef KARVELIN_METHOD

#if KARVELIN_PYTHON_MAJOR >= 3
ModuleDef g_module = {{{1, nullptr}, nullptr, 0, nullptr}, "_Karvelin", nullptr, -1, g_methods,
                      nullptr,                             nullptr, nullptr, nullptr};
#else
// ---- finding the Python 2 interpreter that is importing the module ----

#if defined(_WIN64) || (!defined(_WIN32) && INTPTR_MAX > INT32_MAX)
constexpr char kInitModule[] = "Py_InitModule4_64";  // a 64-bit Py_ssize_t
#else
constexpr char kInitModule[] = "Py_InitModule4";
#endif

// A Python 2 image loaded in the process, where its calls are found by name.
#ifdef _WIN32
struct Image {
    const char* name;
    HMODULE module;
};
// Every python2X.dll loaded, the newest first: a process may hold more than
// one (a host embedding one interpreter, a tool of its another).
std::size_t LoadedImages(Image (&images)[5]) {
    std::size_t count = 0;
    for (const char* name : {"python27.dll", "python26.dll", "python25.dll", "python24.dll", "python23.dll"})
        if (HMODULE module = ::GetModuleHandleA(name)) images[count++] = {name, module};
    return count;
}
void* Find(const Image& image, const char* name) { return reinterpret_cast<void*>(::GetProcAddress(image.module, name)); }
#else
struct Image {
    const char* name;
};
// The interpreter that loaded the module has its calls in the global scope.
std::size_t LoadedImages(Image (&images)[5]) {
    images[0] = {"the process's global scope"};
    return 1;
}
void* Find(const Image&, const char* name) { return ::dlsym(RTLD_DEFAULT, name); }
#endif

template <typename T>
bool Bind(T*& member, const Image& image, const char* name) {
    member = reinterpret_cast<T*>(Find(image, name));
    return member != nullptr;
}

// The name a call is exported under in this process.
const char* ExportName(const char* name) { return std::strcmp(name, "Py_InitModule4") == 0 ? kInitModule : name; }

bool BindInterpreter(const Image& image, Interpreter& found) {
    bool all = true;
#define KARVELIN_BIND(result, name, parameters) all = Bind(found.name, image, ExportName(#name)) && all;
#define KARVELIN_BIND_DATA(type, name) all = Bind(found.name, image, #name) && all;
    KARVELIN_PYTHON2_CALLS(KARVELIN_BIND, KARVELIN_BIND_DATA)
#undef KARVELIN_BIND
#undef KARVELIN_BIND_DATA
    return all;
}

// The interpreters that run: loaded, complete, and initialized (one not yet
// started must not be called at all: it has no thread to hold an error).
struct Running {
    Interpreter interpreters[5];
    const char* names[5];
    std::size_t count = 0;
};
Running RunningInterpreters() {
    Image images[5];
    const std::size_t loaded = LoadedImages(images);
    Running running;
    for (std::size_t i = 0; i < loaded; ++i) {
        Interpreter& found = running.interpreters[running.count];
        if (!BindInterpreter(images[i], found) || !found.Py_IsInitialized()) continue;
        running.names[running.count++] = images[i].name;
    }
    return running;
}

// Several running: which one imports cannot be told from that, so nothing is
// registered. The reason goes to the one of them that has a thread state on
// this thread, the importer; when none or more than one has, nobody is told:
// an error set in an interpreter that is not importing would surface in code
// that never asked for it, or be set while no thread of it holds its lock.
void RefuseSeveral(Running& running) {
    Message message;
    message << "_Karvelin binds to one Python 2 interpreter, and " << running.count << " run in this process:";
    Interpreter* importer = nullptr;
    std::size_t holders = 0;
    for (std::size_t i = 0; i < running.count; ++i) {
        message << (i ? ", " : " ") << running.names[i];
        if (running.interpreters[i].PyGILState_GetThisThreadState()) {
            importer = &running.interpreters[i];
            ++holders;
        }
    }
    if (holders == 1) importer->PyErr_SetString(*importer->PyExc_ImportError, message.c_str());
}

// 1012 for 2.3 and 2.4; 2.5 to 2.7 warn at import unless told their own 1013.
int ApiVersion(const char* version) {
    const bool old = version && version[0] == '2' && version[1] == '.' && (version[2] == '3' || version[2] == '4') &&
                     (version[3] < '0' || version[3] > '9');
    return old ? kApiVersion23 : kApiVersion25;
}
#endif

}  // namespace
}  // namespace karvelin::python

#if KARVELIN_PYTHON_MAJOR >= 3
KARVELIN_PYTHON_INIT karvelin::python::api::Object* PyInit__Karvelin(void) {
    using namespace karvelin::python;
    return py.PyModule_Create2(&g_module, kAbiVersion);
}
#else
// Registers with the one Python 2 interpreter that runs in the process. None
// running (a native caller, an interpreter not yet started): nothing is
// touched. Several: nothing is registered (see RefuseSeveral).
KARVELIN_PYTHON_INIT void init_Karvelin(void) {
    using namespace karvelin::python;
    Running running = RunningInterpreters();
    if (running.count == 0) return;
    if (running.count > 1) return RefuseSeveral(running);
    py = running.interpreters[0];
    Object* module = py.Py_InitModule4("_Karvelin", g_methods, nullptr, nullptr, ApiVersion(py.Py_GetVersion()));
    if (module != nullptr) (void)py.PyModule_GetDict(module);
}
#endif
