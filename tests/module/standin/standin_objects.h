// The stand-in's objects (python_standin.cpp, its one includer, exports the
// interpreter's calls on them): the layouts the module reads, the types, the
// record and the error state, and how objects are made.
#pragma once

#include <windows.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "python_standin.h"

namespace karvelin::standin {

// The layouts the module reads: the object head, a type's name where Python
// 2's type object keeps it, Python 2's str (Python 3's bytes), and the stand-in's own.
struct Type;
struct Object { std::intptr_t refcnt; Type* type; };
struct Type { Object head; std::intptr_t size; const char* tp_name; unsigned long flags; };
struct Str { Object head; std::intptr_t size; long hash; int sstate; char sval[1]; };
struct Unicode { Object head; Str* utf8; std::intptr_t length; };  // the length in characters
struct ByteArray { Object head; std::intptr_t size; char* data; };
struct Int { Object head; long long value; };
struct Tuple { Object head; std::intptr_t size; Object* items[8]; };

Type g_type_type = {{1, &g_type_type}, 0, "type", 0};
// The two types the module compares with its own eyes are the exported ones.
#if STANDIN_MAJOR == 2
#define STANDIN_STR_TYPE PyString_Type
#define STANDIN_BYTEARRAY_TYPE g_bytearray_type
#define STANDIN_FROM_LONG PyInt_FromLong
#define STANDIN_FROM_BYTES PyString_FromStringAndSize
extern "C" __declspec(dllexport) Type PyString_Type;
Type PyString_Type = {{1, &g_type_type}, 0, "str", 1ul << 27};
Type g_bytearray_type = {{1, &g_type_type}, 0, "bytearray", 0};
#else
#define STANDIN_STR_TYPE g_str_type
#define STANDIN_BYTEARRAY_TYPE PyByteArray_Type
#define STANDIN_FROM_LONG PyLong_FromLong
#define STANDIN_FROM_BYTES PyBytes_FromStringAndSize
Type g_str_type = {{1, &g_type_type}, 0, "bytes", 1ul << 27};
extern "C" __declspec(dllexport) Type PyByteArray_Type;
Type PyByteArray_Type = {{1, &g_type_type}, 0, "bytearray", 0};
#endif
Type g_unicode_type = {{1, &g_type_type}, 0, STANDIN_MAJOR == 2 ? "unicode" : "str", 1ul << 28};
Type g_int_type = {{1, &g_type_type}, 0, "int", 1ul << 24};
Type g_tuple_type = {{1, &g_type_type}, 0, "tuple", 1ul << 26};
Type g_none_type = {{1, &g_type_type}, 0, "NoneType", 0};
Type g_module_type = {{1, &g_type_type}, 0, "module", 0};
Type g_dict_type = {{1, &g_type_type}, 0, "dict", 0};
Type g_type_error = {{1, &g_type_type}, 0, "TypeError", 0};
Type g_value_error = {{1, &g_type_type}, 0, "ValueError", 0};
Type g_overflow_error = {{1, &g_type_type}, 0, "OverflowError", 0};
Type g_import_error = {{1, &g_type_type}, 0, "ImportError", 0};

Record g_record;
Object g_dict = {1, &g_dict_type};
Object g_module = {1, &g_module_type};
Type* g_error = nullptr;
std::string g_error_message;
long long g_error_needed = -1;

template <typename T>
T* As(Object* object) { return reinterpret_cast<T*>(object); }

template <typename T>
T* New(Type* type, std::size_t extra = 0) {
    T* object = static_cast<T*>(std::calloc(1, sizeof(T) + extra));
    object->head = {1, type};
    return object;
}

Object* NewStr(const char* data, std::size_t size) {
    Str* text = New<Str>(&STANDIN_STR_TYPE, size);
    text->size = static_cast<std::intptr_t>(size);
    text->hash = -1;
    if (data) std::memcpy(text->sval, data, size);
    return &text->head;
}

Object* NewUnicode(const char* data, std::size_t size) {
    Unicode* text = New<Unicode>(&g_unicode_type);
    text->utf8 = As<Str>(NewStr(data, size));
    for (std::size_t i = 0; i < size; ++i)
        if ((static_cast<unsigned char>(data[i]) & 0xC0) != 0x80) ++text->length;
    return &text->head;
}

Object* NewInt(long long value) { return &(new Int{{1, &g_int_type}, value})->head; }

Object* NewTuple(std::size_t count, Object* const* items) {
    Tuple* tuple = new Tuple{{1, &g_tuple_type}, static_cast<std::intptr_t>(count), {}};
    for (std::size_t i = 0; i < count && i < 8; ++i) tuple->items[i] = items ? items[i] : nullptr;
    return &tuple->head;
}

// Where a text object is made from the module's bytes: recorded, with
// whether that block is still allocated (HeapValidate on the process heap,
// where the library's LocalAlloc takes its blocks).
void Copied(const char* from) {
    g_record.copied_from = from;
    g_record.copied_from_live_block = ::HeapValidate(::GetProcessHeap(), 0, from) != FALSE;
}

Object* Registered(const char* name, void* methods, const char* doc, int api_version) {
    ++g_record.registrations;
    g_record.module_name = name;
    g_record.methods = methods;
    g_record.module_doc = doc;
    g_record.api_version = api_version;
    return &g_module;
}

void SetError(Type* type, const char* message) {
    g_error = type;
    g_error_message = message;
    g_error_needed = -1;
}

// The byte offset of character `index` in UTF-8 text.
std::size_t Utf8Offset(const Str* text, std::intptr_t index) {
    std::size_t offset = 0;
    for (std::intptr_t seen = -1; offset < static_cast<std::size_t>(text->size); ++offset)
        if ((static_cast<unsigned char>(text->sval[offset]) & 0xC0) != 0x80 && ++seen == index) break;
    return offset;
}

}  // namespace karvelin::standin
