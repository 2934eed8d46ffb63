// The few interpreter calls and layouts the _Karvelin glue uses, declared
// here rather than taken from an interpreter's headers: no Python kit is
// needed to build any face of the module.
//
// Python 3: the stable ABI (abi3, 3.9 and later). Its names and layouts are
// fixed by the interpreter's compatibility promise; the module links against
// them (on Windows through an import library of python3.dll made at build
// time, on Linux left for the loader to bind to the running interpreter).
// Python 2 (2.3 to 2.7): Karvelin.dll itself is the installer's module. It
// imports no Python DLL; init_Karvelin finds the interpreter already loaded
// in the process and looks each call up by name. On 32-bit every call below
// has the same binary form from 2.3 to 2.7.
//
// python_api_check.cpp compares every declaration with the real headers.
#pragma once

#include <cstdint>

namespace karvelin::python::api {

using Ssize = std::intptr_t;  // Py_ssize_t (int on 32-bit 2.3 and 2.4: the same size)

struct Type;         // only ever pointed at (opaque in the stable ABI)
struct ThreadState;  // likewise
struct Object {
    Ssize ob_refcnt;
    Type* ob_type;
};
using CFunction = Object* (*)(Object* self, Object* args);
struct MethodDef {
    const char* ml_name;
    CFunction ml_meth;
    int ml_flags;
    const char* ml_doc;
};
inline constexpr int kMethVarargs = 0x0001;

// Python 3's module definition, as PyModuleDef_HEAD_INIT starts it.
struct ModuleDefBase {
    Object ob_base;
    Object* (*m_init)();
    Ssize m_index;
    Object* m_copy;
};
struct ModuleDef {
    ModuleDefBase m_base;
    const char* m_name;
    const char* m_doc;
    Ssize m_size;
    MethodDef* m_methods;
    void* m_slots;
    void* m_traverse;
    void* m_clear;
    void* m_free;
};
inline constexpr int kAbiVersion = 3;  // PYTHON_ABI_VERSION, what PyModule_Create passes
// Type flags the stable ABI's own checks (PyUnicode_Check, PyBytes_Check) read.
inline constexpr unsigned long kBytesSubclass = 1ul << 27;
inline constexpr unsigned long kUnicodeSubclass = 1ul << 28;

// Python 2: the head of every type object (for its name) and the str object,
// whose storage a text buffer is and whose interned state the glue reads.
struct VarObject {
    Object ob_base;
    Ssize ob_size;
};
struct TypeHead {
    VarObject ob_base;
    const char* tp_name;
};
struct StringObject {
    VarObject ob_base;
    long ob_shash;
    int ob_sstate;  // 0: not interned
    char ob_sval[1];
};
// The extension-interface versions Py_InitModule4 is told.
inline constexpr int kApiVersion23 = 1012;  // Python 2.3 and 2.4
inline constexpr int kApiVersion25 = 1013;  // Python 2.5 to 2.7

}  // namespace karvelin::python::api

// F(result, name, parameters): a function; D(type, name): a variable, whose
// address the glue holds.
#define KARVELIN_PYTHON3_CALLS(F, D)                                      \
    F(Object*, PyModule_Create2, (ModuleDef*, int))                       \
    F(Object*, PyLong_FromLong, (long))                                   \
    F(Object*, PyLong_FromSize_t, (std::size_t))                          \
    F(long long, PyLong_AsLongLongAndOverflow, (Object*, int*))           \
    F(int, PyIndex_Check, (Object*))                                      \
    F(unsigned long, PyType_GetFlags, (Type*))                            \
    F(int, PyType_IsSubtype, (Type*, Type*))                              \
    F(Object*, PyObject_GetAttrString, (Object*, const char*))            \
    F(Ssize, PyTuple_Size, (Object*))                                     \
    F(Object*, PyTuple_GetItem, (Object*, Ssize))                         \
    F(Object*, PyTuple_New, (Ssize))                                      \
    F(int, PyTuple_SetItem, (Object*, Ssize, Object*))                    \
    F(int, PyBytes_AsStringAndSize, (Object*, char**, Ssize*))            \
    F(Object*, PyBytes_FromStringAndSize, (const char*, Ssize))           \
    F(char*, PyByteArray_AsString, (Object*))                             \
    F(Ssize, PyByteArray_Size, (Object*))                                 \
    F(Ssize, PyUnicode_GetLength, (Object*))                              \
    F(Object*, PyUnicode_Substring, (Object*, Ssize, Ssize))              \
    F(Object*, PyUnicode_FromString, (const char*))                       \
    F(Object*, PyUnicode_AsUTF8String, (Object*))                         \
    F(Object*, PyUnicode_AsEncodedString, (Object*, const char*, const char*)) \
    F(Object*, PyUnicode_Decode, (const char*, Ssize, const char*, const char*)) \
    F(Object*, PyUnicode_EncodeFSDefault, (Object*))                      \
    F(Object*, PyUnicode_DecodeFSDefaultAndSize, (const char*, Ssize))    \
    F(void, PyErr_SetString, (Object*, const char*))                      \
    F(void, PyErr_SetObject, (Object*, Object*))                          \
    F(Object*, PyErr_Occurred, ())                                        \
    F(void, PyErr_Clear, ())                                              \
    F(void, Py_IncRef, (Object*))                                         \
    F(void, Py_DecRef, (Object*))                                         \
    F(ThreadState*, PyEval_SaveThread, ())                                \
    F(void, PyEval_RestoreThread, (ThreadState*))                         \
    F(Object*, PyImport_GetModuleDict, ())                                \
    F(Object*, PyDict_GetItem, (Object*, Object*))                        \
    F(Object*, PyObject_CallObject, (Object*, Object*))                   \
    F(void, PyErr_Fetch, (Object**, Object**, Object**))                  \
    F(void, PyErr_Restore, (Object*, Object*, Object*))                   \
    D(Object*, PyExc_TypeError)                                           \
    D(Object*, PyExc_ValueError)                                          \
    D(Object*, PyExc_OverflowError)                                       \
    D(Object, _Py_NoneStruct)                                             \
    D(Type, PyByteArray_Type)

// Py_InitModule4 is looked up as Py_InitModule4_64 in a 64-bit process.
#define KARVELIN_PYTHON2_CALLS(F, D)                                                  \
    F(Object*, Py_InitModule4, (const char*, MethodDef*, const char*, Object*, int)) \
    F(Object*, PyModule_GetDict, (Object*))                                           \
    F(int, PyArg_ParseTuple, (Object*, const char*, ...))                             \
    F(Object*, PyTuple_GetItem, (Object*, Ssize))                                     \
    F(Object*, PyInt_FromLong, (long))                                                \
    F(Object*, PyString_FromStringAndSize, (const char*, Ssize))                      \
    F(int, PyType_IsSubtype, (Type*, Type*))                                          \
    F(void, PyErr_SetString, (Object*, const char*))                                  \
    F(const char*, Py_GetVersion, ())                                                 \
    F(int, Py_IsInitialized, ())                                                      \
    F(ThreadState*, PyGILState_GetThisThreadState, ())                                \
    D(Object*, PyExc_TypeError)                                                       \
    D(Object*, PyExc_ImportError)                                                     \
    D(Object*, PyExc_ValueError)                                                      \
    D(Object, _Py_NoneStruct)                                                         \
    D(Type, PyString_Type)
