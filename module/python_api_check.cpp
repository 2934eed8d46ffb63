// Compiled against a real interpreter's headers (Linux builds only): every
// call and layout python_api.h declares is the interpreter's own. Python 3
// with Py_LIMITED_API at the module's floor, so each call is also one the
// stable ABI has had since then; Python 2 with the 2.7 headers.
#include <Python.h>

#include <cstddef>
#include <type_traits>

#include "module/python_api.h"

namespace karvelin::python::check {
using namespace karvelin::python::api;

// A declared type, with the header's types in place of python_api.h's.
template <typename T>
struct Real {
    using type = T;
};
template <>
struct Real<api::Object> {
    using type = PyObject;
};
template <>
struct Real<api::Type> {
    using type = PyTypeObject;
};
template <>
struct Real<api::MethodDef> {
    using type = PyMethodDef;
};
template <>
struct Real<api::ThreadState> {
    using type = PyThreadState;
};
#if PY_MAJOR_VERSION >= 3
template <>
struct Real<api::ModuleDef> {
    using type = PyModuleDef;
};
#endif
template <typename T>
struct Real<T*> {
    using type = typename Real<T>::type*;
};
template <typename T>
struct Real<const T> {
    using type = const typename Real<T>::type;
};
template <typename R, typename... A>
struct Real<R(A...)> {
    using type = typename Real<R>::type(typename Real<A>::type...);
};
template <typename R, typename... A>
struct Real<R(A..., ...)> {
    using type = typename Real<R>::type(typename Real<A>::type..., ...);
};

static_assert(std::is_same_v<api::Ssize, Py_ssize_t>);
static_assert(sizeof(api::Object) == sizeof(PyObject) && offsetof(api::Object, ob_type) == offsetof(PyObject, ob_type));
static_assert(sizeof(api::MethodDef) == sizeof(PyMethodDef) &&
              offsetof(api::MethodDef, ml_meth) == offsetof(PyMethodDef, ml_meth) &&
              offsetof(api::MethodDef, ml_flags) == offsetof(PyMethodDef, ml_flags) &&
              offsetof(api::MethodDef, ml_doc) == offsetof(PyMethodDef, ml_doc));
static_assert(api::kMethVarargs == METH_VARARGS);

#define KARVELIN_CHECK_CALL(result, name, parameters)                                                   \
    static_assert(std::is_same_v<Real<result parameters>::type, std::remove_pointer_t<decltype(&::name)>>, \
                  #name " is declared unlike the interpreter's");
#define KARVELIN_CHECK_DATA(type_, name) \
    static_assert(std::is_same_v<Real<type_>::type, decltype(::name)>, #name " is declared unlike the interpreter's");

#if PY_MAJOR_VERSION >= 3
KARVELIN_PYTHON3_CALLS(KARVELIN_CHECK_CALL, KARVELIN_CHECK_DATA)
static_assert(sizeof(api::ModuleDef) == sizeof(PyModuleDef) &&
              offsetof(api::ModuleDef, m_name) == offsetof(PyModuleDef, m_name) &&
              offsetof(api::ModuleDef, m_size) == offsetof(PyModuleDef, m_size) &&
              offsetof(api::ModuleDef, m_methods) == offsetof(PyModuleDef, m_methods) &&
              offsetof(api::ModuleDef, m_free) == offsetof(PyModuleDef, m_free));
static_assert(api::kAbiVersion == PYTHON_ABI_VERSION);
static_assert(api::kBytesSubclass == Py_TPFLAGS_BYTES_SUBCLASS && api::kUnicodeSubclass == Py_TPFLAGS_UNICODE_SUBCLASS);
#else
KARVELIN_PYTHON2_CALLS(KARVELIN_CHECK_CALL, KARVELIN_CHECK_DATA)
static_assert(offsetof(api::VarObject, ob_size) == offsetof(PyVarObject, ob_size));
static_assert(offsetof(api::TypeHead, tp_name) == offsetof(PyTypeObject, tp_name));
static_assert(offsetof(api::StringObject, ob_shash) == offsetof(PyStringObject, ob_shash) &&
              offsetof(api::StringObject, ob_sstate) == offsetof(PyStringObject, ob_sstate) &&
              offsetof(api::StringObject, ob_sval) == offsetof(PyStringObject, ob_sval));
static_assert(api::kApiVersion25 == PYTHON_API_VERSION);
#endif

}  // namespace karvelin::python::check
