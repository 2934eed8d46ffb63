#include "module/python3_arguments.h"

#include <climits>
#include <cstring>

namespace karvelin::python {

#define KARVELIN_ADDRESS(result, name, parameters) &linked::name,
#define KARVELIN_DATA_ADDRESS(type, name) &linked::name,
const Interpreter py = {KARVELIN_PYTHON3_CALLS(KARVELIN_ADDRESS, KARVELIN_DATA_ADDRESS)};
#undef KARVELIN_ADDRESS
#undef KARVELIN_DATA_ADDRESS

namespace {

// The name of an object's type, for argument errors. The stable ABI keeps the
// type's layout hidden: ask for __name__.
class TypeName {
public:
    explicit TypeName(Object* item) {
        if (const unique_object name{py.PyObject_GetAttrString(reinterpret_cast<Object*>(item->ob_type), "__name__")})
            owner_.reset(py.PyUnicode_AsUTF8String(name.get()));
        char* text = nullptr;
        Ssize size = 0;
        if (owner_ && py.PyBytes_AsStringAndSize(owner_.get(), &text, &size) == 0)
            text_ = text;
        else
            py.PyErr_Clear();
    }
    const char* c_str() const { return text_; }

private:
    const char* text_ = "?";
    unique_object owner_;
};

bool IsInstance(Object* item, unsigned long flag) { return (py.PyType_GetFlags(item->ob_type) & flag) != 0; }

}  // namespace

// ---- texts in the ANSI code page ----

#ifdef _WIN32
Object* AnsiDecode(const char* text, Ssize size) {
    if (Object* decoded = py.PyUnicode_Decode(text, size, "mbcs", "surrogateescape")) return decoded;
    py.PyErr_Clear();
    return py.PyBytes_FromStringAndSize(text, size);
}
Object* AnsiEncode(Object* text) { return py.PyUnicode_AsEncodedString(text, "mbcs", "surrogateescape"); }
#else
Object* AnsiDecode(const char* text, Ssize size) { return py.PyUnicode_DecodeFSDefaultAndSize(text, size); }
Object* AnsiEncode(Object* text) { return py.PyUnicode_EncodeFSDefault(text); }
#endif

// ---- texts ----

bool Param<const char*>::Take(Object* item, const char* function, int position) {
    // A bytes item is the tuple's, which holds it for the whole call; a str's
    // encoding is a new object of its own.
    item_ = item;
    Object* bytes = item;
    if (IsInstance(item, kBytesSubclass)) {
        is_str_ = false;
    } else if (IsInstance(item, kUnicodeSubclass)) {
        owner_.reset(AnsiEncode(item));
        if (!owner_) return false;
        bytes = owner_.get();
    } else {
        Raise(py.PyExc_TypeError,
              ArgumentError(function, position) << " must be str or bytes, not " << TypeName(item).c_str());
        return false;
    }
    char* data = nullptr;
    if (py.PyBytes_AsStringAndSize(bytes, &data, &size) < 0) return false;
    text = data;
    if (std::strlen(text) != static_cast<std::size_t>(size)) {
        Raise(py.PyExc_ValueError, ArgumentError(function, position) << ": embedded null character");
        return false;
    }
    return true;
}

Ssize Param<const char*>::Length() const { return is_str_ ? py.PyUnicode_GetLength(item_) : size; }

bool Param<const char*>::Head(Ssize count, const char*& bytes, std::uint32_t& bytes_size) {
    if (!is_str_) {
        bytes = text;
        bytes_size = static_cast<std::uint32_t>(count);
        return true;
    }
    const unique_object characters{py.PyUnicode_Substring(item_, 0, count)};
    if (!characters) return false;
    head_.reset(AnsiEncode(characters.get()));
    char* data = nullptr;
    Ssize head_size = 0;
    if (!head_ || py.PyBytes_AsStringAndSize(head_.get(), &data, &head_size) < 0) return false;
    bytes = data;
    bytes_size = static_cast<std::uint32_t>(head_size);
    return true;
}

Object* Param<const char*>::Answer(const char* result, Ssize result_size) const {
    return is_str_ ? AnsiDecode(result, result_size) : py.PyBytes_FromStringAndSize(result, result_size);
}

// ---- integers ----

bool IntegerParam::Take(Object* item, const char* function, int position) {
    if (!py.PyIndex_Check(item)) {
        Raise(py.PyExc_TypeError, ArgumentError(function, position) << " must be int, not " << TypeName(item).c_str());
        return false;
    }
    int overflow = 0;
    const long long number = py.PyLong_AsLongLongAndOverflow(item, &overflow);
    if (number == -1 && py.PyErr_Occurred()) return false;
    if (overflow != 0 || number > INT32_MAX || number < INT32_MIN) {
        // Past 64 bits the number reads as -1: the overflow's sign tells the side.
        const bool below = overflow != 0 ? overflow < 0 : number < 0;
        const char* side = below ? "less than minimum" : "greater than maximum";
        Raise(py.PyExc_OverflowError, ArgumentError(function, position) << ": signed integer is " << side);
        return false;
    }
    value = static_cast<int>(number);
    return true;
}

// ---- text buffers ----

// The bytearray stays in the argument tuple for the call, and these calls
// keep the interpreter lock, so nobody resizes it meanwhile.
bool Param<TextBuffer&>::Take(Object* item, const char* function, int position) {
    if (item->ob_type != py.PyByteArray_Type && !py.PyType_IsSubtype(item->ob_type, py.PyByteArray_Type)) {
        Raise(py.PyExc_TypeError,
              ArgumentError(function, position) << " must be bytearray, not " << TypeName(item).c_str());
        return false;
    }
    buffer = {py.PyByteArray_AsString(item), static_cast<std::size_t>(py.PyByteArray_Size(item))};
    return true;
}

bool Param<TextBuffer&>::Done(const char* function) const {
    if (buffer.needed <= buffer.size) return true;
    const Message message = Message() << function << "() needs a buffer of " << buffer.needed << " bytes, not "
                                      << buffer.size;
    const unique_object args{py.PyTuple_New(2)};
    unique_object text{args ? py.PyUnicode_FromString(message.c_str()) : nullptr};
    unique_object needed{text ? py.PyLong_FromSize_t(buffer.needed) : nullptr};
    if (needed) {
        py.PyTuple_SetItem(args.get(), 0, text.release());  // each steals its item
        py.PyTuple_SetItem(args.get(), 1, needed.release());
        py.PyErr_SetObject(*py.PyExc_ValueError, args.get());
    }
    return false;
}

}  // namespace karvelin::python
