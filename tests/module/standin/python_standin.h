// What the stand-in interpreters (python_standin.cpp) record and offer to the
// test that loads them. They are test doubles: small DLLs with an
// interpreter's file name exporting just the calls _Karvelin makes, so that
// the module's registration and glue can be run under Wine, where no real
// Windows Python can be had.
#pragma once

#include <cstddef>

namespace karvelin::standin {

struct Object;  // opaque to the test

struct Record {
    // The registration: Py_InitModule4 (Python 2) or PyModule_Create2 (3).
    int registrations = 0;
    const char* module_name = nullptr;
    const void* methods = nullptr;  // the module's method table
    const char* module_doc = nullptr;
    const void* self = nullptr;
    int api_version = 0;
    long long module_size = 0;  // Python 3's m_size
    int dict_fetches = 0;
    int dict_items = 0;  // nothing the module can call adds one
    // The last call of the argument parser (Python 2) and of the text coders.
    char last_format[64] = {};
    const char* last_encoding = nullptr;
    const char* last_errors = nullptr;
    // The last text turned into an object: from where, and whether that
    // block was still allocated then.
    const void* copied_from = nullptr;
    bool copied_from_live_block = false;
    int lock_releases = 0;  // PyEval_SaveThread
    int lock_restores = 0;  // PyEval_RestoreThread
    // Set by the test: the folder that another thread makes current while
    // the lock is released (none when empty).
    char folder_on_release[260] = {};
    // Python 2, set by the test: what Py_IsInitialized answers, and whether
    // the calling thread has a thread state (PyGILState_GetThisThreadState).
    bool initialized = true;
    bool holds_this_thread = true;
};

enum Kind { kStr, kUnicode, kInternedStr, kByteArray };

}  // namespace karvelin::standin

// The stand-in's own exports for the test (by GetProcAddress).
#define KARVELIN_STANDIN_HELPERS(X)                                                             \
    X(karvelin::standin::Record*, StandIn_Record, ())                                           \
    X(karvelin::standin::Object*, StandIn_Text, (const char* data, std::size_t size, int kind)) \
    X(karvelin::standin::Object*, StandIn_Int, (long long value))                               \
    X(karvelin::standin::Object*, StandIn_Tuple, (std::size_t count, karvelin::standin::Object* const* items)) \
    X(bool, StandIn_Bytes, (karvelin::standin::Object * text, const char** data, std::size_t* size)) \
    X(bool, StandIn_IntValue, (karvelin::standin::Object * number, long long* value))           \
    X(const char*, StandIn_TypeName, (karvelin::standin::Object * object))                      \
    X(long long, StandIn_RefCount, (karvelin::standin::Object * object))                         \
    X(const char*, StandIn_TakeError, (const char** message, long long* needed))
