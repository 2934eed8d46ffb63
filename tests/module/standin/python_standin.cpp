// A stand-in interpreter for the Wine tests (see python_standin.h): built as
// python27.dll and python23.dll (STANDIN_MAJOR 2, STANDIN_MINOR 7 or 3) and as
// python3.dll (STANDIN_MAJOR 3). It keeps objects with the layouts the module
// relies on (the object head, the Python 2 str, a type's name) and plays the
// interpreter's part only as far as the module's calls need: "s" and "i"
// argument parsing with the interpreter's refusals, texts as UTF-8 with
// "mbcs" taken as their bytes. Objects are never freed: each test process
// makes a few hundred.
#include <windows.h>

#include <cstdarg>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <utility>

#include "python_standin.h"
#include "standin_objects.h"

#define STANDIN_EXPORT extern "C" __declspec(dllexport)

using namespace karvelin::standin;

// ---- the interpreter's variables and calls, as far as the module uses them ----

extern "C" {
__declspec(dllexport) Object* PyExc_TypeError = &g_type_error.head;
__declspec(dllexport) Object* PyExc_ValueError = &g_value_error.head;
__declspec(dllexport) Object* PyExc_OverflowError = &g_overflow_error.head;
__declspec(dllexport) Object* PyExc_ImportError = &g_import_error.head;
__declspec(dllexport) Object _Py_NoneStruct = {1, &g_none_type};
}

STANDIN_EXPORT void PyErr_SetString(Object* type, const char* message) { SetError(As<Type>(type), message); }
STANDIN_EXPORT int PyType_IsSubtype(Type* a, Type* b) { return a == b; }
STANDIN_EXPORT Object* PyTuple_GetItem(Object* tuple, std::intptr_t index) { return As<Tuple>(tuple)->items[index]; }
STANDIN_EXPORT Object* STANDIN_FROM_LONG(long value) { return NewInt(value); }
STANDIN_EXPORT Object* STANDIN_FROM_BYTES(const char* data, std::intptr_t size) {
    Copied(data);
    return NewStr(data, static_cast<std::size_t>(size));
}

#if STANDIN_MAJOR == 2

STANDIN_EXPORT const char* Py_GetVersion() { return STANDIN_MINOR == 3 ? "2.3.5 (stand-in)" : "2.7.18 (stand-in)"; }
STANDIN_EXPORT int Py_IsInitialized() { return g_record.initialized ? 1 : 0; }
STANDIN_EXPORT void* PyGILState_GetThisThreadState() { return g_record.holds_this_thread ? &g_record : nullptr; }

#ifdef _WIN64
#define STANDIN_INIT_MODULE Py_InitModule4_64
#else
#define STANDIN_INIT_MODULE Py_InitModule4
#endif
STANDIN_EXPORT Object* STANDIN_INIT_MODULE(const char* name, void* methods, const char* doc, Object* self,
                                           int api_version) {
    g_record.self = self;
    return Registered(name, methods, doc, api_version);
}

STANDIN_EXPORT Object* PyModule_GetDict(Object*) {
    ++g_record.dict_fetches;
    return &g_dict;
}

// "s" and "i" as the interpreter parses them, with its refusals.
STANDIN_EXPORT int PyArg_ParseTuple(Object* args, const char* format, ...) {
    std::snprintf(g_record.last_format, sizeof g_record.last_format, "%s", format);
    const Tuple* tuple = As<const Tuple>(args);
    const char* name = std::strchr(format, ':');
    const std::intptr_t expected = name ? name - format : static_cast<std::intptr_t>(std::strlen(format));
    char message[200];
    if (tuple->size != expected) {
        std::snprintf(message, sizeof message, "%s() takes exactly %d arguments (%d given)", name ? name + 1 : "function",
                      static_cast<int>(expected), static_cast<int>(tuple->size));
        SetError(&g_type_error, message);
        return 0;
    }
    std::va_list targets;
    va_start(targets, format);
    Type* error = &g_type_error;
    const char* refusal = nullptr;
    for (std::intptr_t i = 0; i < expected && !refusal; ++i) {
        Object* item = tuple->items[i];
        const long long value = item->type == &g_int_type ? As<Int>(item)->value : 0;
        Str* text = item->type == &STANDIN_STR_TYPE ? As<Str>(item)
                    : item->type == &g_unicode_type ? As<Unicode>(item)->utf8
                                                    : nullptr;
        if (format[i] == 's' && (!text || std::strlen(text->sval) != static_cast<std::size_t>(text->size)))
            refusal = text ? "argument must be string without null bytes" : "argument must be string";
        else if (format[i] == 's')
            *va_arg(targets, char**) = text->sval;
        else if (item->type != &g_int_type)
            refusal = "an integer is required";
        else if (value > INT32_MAX || value < INT32_MIN)
            error = &g_overflow_error, refusal = "signed integer is out of range";
        else
            *va_arg(targets, int*) = static_cast<int>(value);
    }
    va_end(targets);
    if (refusal) SetError(error, refusal);
    return refusal ? 0 : 1;
}

#else  // Python 3's stable ABI

STANDIN_EXPORT Object* PyModule_Create2(void* definition, int api_version) {
    struct Definition {  // PyModuleDef: its head, then m_name, m_doc, m_size and m_methods
        Object head;
        void *init, *index, *copy;
        const char *name, *doc;
        std::intptr_t size;
        void* methods;
    };
    const Definition* module = static_cast<const Definition*>(definition);
    g_record.module_size = module->size;
    return Registered(module->name, module->methods, module->doc, api_version);
}

STANDIN_EXPORT Object* PyLong_FromSize_t(std::size_t value) { return NewInt(static_cast<long long>(value)); }
STANDIN_EXPORT long long PyLong_AsLongLongAndOverflow(Object* number, int* overflow) {
    *overflow = 0;
    return As<Int>(number)->value;
}
STANDIN_EXPORT int PyIndex_Check(Object* item) { return item->type == &g_int_type; }
STANDIN_EXPORT unsigned long PyType_GetFlags(Type* type) { return type->flags; }
STANDIN_EXPORT Object* PyObject_GetAttrString(Object* object, const char* name) {
    const char* type_name = object->type == &g_type_type ? As<Type>(object)->tp_name : nullptr;
    if (type_name && std::strcmp(name, "__name__") == 0) return NewUnicode(type_name, std::strlen(type_name));
    SetError(&g_type_error, "no such attribute");
    return nullptr;
}
STANDIN_EXPORT std::intptr_t PyTuple_Size(Object* tuple) { return As<Tuple>(tuple)->size; }
STANDIN_EXPORT Object* PyTuple_New(std::intptr_t size) { return NewTuple(static_cast<std::size_t>(size), nullptr); }
STANDIN_EXPORT int PyTuple_SetItem(Object* tuple, std::intptr_t index, Object* item) {
    As<Tuple>(tuple)->items[index] = item;
    return 0;
}
STANDIN_EXPORT int PyBytes_AsStringAndSize(Object* bytes, char** data, std::intptr_t* size) {
    *data = As<Str>(bytes)->sval;
    *size = As<Str>(bytes)->size;
    return 0;
}
STANDIN_EXPORT char* PyByteArray_AsString(Object* buffer) { return As<ByteArray>(buffer)->data; }
STANDIN_EXPORT std::intptr_t PyByteArray_Size(Object* buffer) { return As<ByteArray>(buffer)->size; }
STANDIN_EXPORT std::intptr_t PyUnicode_GetLength(Object* text) { return As<Unicode>(text)->length; }
STANDIN_EXPORT Object* PyUnicode_Substring(Object* text, std::intptr_t start, std::intptr_t end) {
    const Str* utf8 = As<Unicode>(text)->utf8;
    const std::size_t from = Utf8Offset(utf8, start), to = Utf8Offset(utf8, end);
    return NewUnicode(utf8->sval + from, to - from);
}
STANDIN_EXPORT Object* PyUnicode_FromString(const char* text) { return NewUnicode(text, std::strlen(text)); }
STANDIN_EXPORT Object* PyUnicode_AsUTF8String(Object* text) {
    const Str* utf8 = As<Unicode>(text)->utf8;
    return NewStr(utf8->sval, static_cast<std::size_t>(utf8->size));
}
// The filesystem encoding's pair, which the Windows module does not call.
STANDIN_EXPORT Object* PyUnicode_EncodeFSDefault(Object* text) { return PyUnicode_AsUTF8String(text); }
STANDIN_EXPORT Object* PyUnicode_DecodeFSDefaultAndSize(const char* data, std::intptr_t size) {
    return NewUnicode(data, static_cast<std::size_t>(size));
}
static void Coded(const char* encoding, const char* errors) {
    g_record.last_encoding = encoding;
    g_record.last_errors = errors;
}
STANDIN_EXPORT Object* PyUnicode_AsEncodedString(Object* text, const char* encoding, const char* errors) {
    Coded(encoding, errors);
    return PyUnicode_AsUTF8String(text);
}
STANDIN_EXPORT Object* PyUnicode_Decode(const char* data, std::intptr_t size, const char* encoding, const char* errors) {
    Coded(encoding, errors);
    Copied(data);
    return PyUnicode_DecodeFSDefaultAndSize(data, size);
}
STANDIN_EXPORT void PyErr_SetObject(Object* type, Object* value) {
    const Tuple* args = As<Tuple>(value);
    SetError(As<Type>(type), As<Unicode>(args->items[0])->utf8->sval);
    g_error_needed = As<Int>(args->items[1])->value;
}
STANDIN_EXPORT Object* PyErr_Occurred() { return g_error ? &g_error->head : nullptr; }
STANDIN_EXPORT void PyErr_Clear() { g_error = nullptr; }
STANDIN_EXPORT void Py_IncRef(Object* object) { ++object->refcnt; }
STANDIN_EXPORT void Py_DecRef(Object* object) { --object->refcnt; }
STANDIN_EXPORT void* PyEval_SaveThread() {
    ++g_record.lock_releases;
    if (g_record.folder_on_release[0]) ::SetCurrentDirectoryA(g_record.folder_on_release);
    return &g_record;
}
STANDIN_EXPORT void PyEval_RestoreThread(void*) { ++g_record.lock_restores; }
// No `logging` among the modules: the module's log makes no record.
STANDIN_EXPORT Object* PyImport_GetModuleDict() { return &g_dict; }
STANDIN_EXPORT Object* PyDict_GetItem(Object*, Object*) { return nullptr; }
STANDIN_EXPORT Object* PyObject_CallObject(Object*, Object*) { return nullptr; }
STANDIN_EXPORT void PyErr_Fetch(Object** type, Object** value, Object** traceback) {
    *type = g_error ? &std::exchange(g_error, nullptr)->head : nullptr;
    *value = *traceback = nullptr;
}
STANDIN_EXPORT void PyErr_Restore(Object* type, Object*, Object*) { g_error = type ? As<Type>(type) : nullptr; }

#endif

// ---- the test's side ----

STANDIN_EXPORT Record* StandIn_Record() { return &g_record; }

STANDIN_EXPORT Object* StandIn_Text(const char* data, std::size_t size, int kind) {
    switch (kind) {
        case kUnicode: return NewUnicode(data, size);
        case kByteArray: {
            char* bytes = static_cast<char*>(std::memcpy(std::calloc(1, size + 1), data, size));
            return &(new ByteArray{{1, &STANDIN_BYTEARRAY_TYPE}, static_cast<std::intptr_t>(size), bytes})->head;
        }
        default: {
            Object* text = NewStr(data, size);
            As<Str>(text)->sstate = kind == kInternedStr ? 1 : 0;
            return text;
        }
    }
}
STANDIN_EXPORT Object* StandIn_Int(long long value) { return NewInt(value); }
STANDIN_EXPORT Object* StandIn_Tuple(std::size_t count, Object* const* items) { return NewTuple(count, items); }
STANDIN_EXPORT bool StandIn_Bytes(Object* text, const char** data, std::size_t* size) {
    if (text->type == &g_unicode_type) text = &As<Unicode>(text)->utf8->head;
    const bool buffer = text->type == &STANDIN_BYTEARRAY_TYPE;
    if (!buffer && text->type != &STANDIN_STR_TYPE) return false;
    *data = buffer ? As<ByteArray>(text)->data : As<Str>(text)->sval;
    *size = static_cast<std::size_t>(buffer ? As<ByteArray>(text)->size : As<Str>(text)->size);
    return true;
}
STANDIN_EXPORT bool StandIn_IntValue(Object* number, long long* value) {
    if (number->type == &g_int_type) *value = As<Int>(number)->value;
    return number->type == &g_int_type;
}
STANDIN_EXPORT const char* StandIn_TypeName(Object* object) { return object ? object->type->tp_name : "(null)"; }
STANDIN_EXPORT long long StandIn_RefCount(Object* object) { return object->refcnt; }
STANDIN_EXPORT const char* StandIn_TakeError(const char** message, long long* needed) {
    if (!g_error) return nullptr;
    *message = g_error_message.c_str();
    *needed = g_error_needed;
    return std::exchange(g_error, nullptr)->tp_name;
}
