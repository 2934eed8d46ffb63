// The Python 3 module, _Karvelin.abi3.so or _Karvelin.pyd: its definition
// over the method table, which the interpreter makes into the module.
#include "module/python_glue.h"

namespace karvelin::python {
namespace {

ModuleDef g_module = {{{1, nullptr}, nullptr, 0, nullptr}, "_Karvelin", kModuleDoc, -1, g_methods,
                      nullptr,                             nullptr, nullptr, nullptr};

}  // namespace
}  // namespace karvelin::python

KARVELIN_PYTHON_INIT karvelin::python::api::Object* PyInit__Karvelin(void) {
    using namespace karvelin::python;
    CallLog::Install();
    return py.PyModule_Create2(&g_module, kAbiVersion);
}
