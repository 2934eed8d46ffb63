#include "module/python2_arguments.h"

namespace karvelin::python {
namespace {

// The name of an object's type, for argument errors.
const char* TypeName(Object* item) { return reinterpret_cast<const TypeHead*>(item->ob_type)->tp_name; }

}  // namespace

bool Param<TextBuffer&>::Check(Object* item, const char* function, int position) {
    if (item->ob_type != py.PyString_Type && !py.PyType_IsSubtype(item->ob_type, py.PyString_Type)) {
        Raise(py.PyExc_TypeError, ArgumentError(function, position) << " must be str, not " << TypeName(item));
        return false;
    }
    if (reinterpret_cast<const StringObject*>(item)->ob_sstate != 0) {
        Raise(py.PyExc_ValueError,
              ArgumentError(function, position) << " is a shared (interned) string: pass a string of your own");
        return false;
    }
    return true;
}

bool Param<TextBuffer&>::Done(const char* function) const {
    if (buffer.needed <= buffer.size) return true;
    Raise(py.PyExc_ValueError, Message() << function << "() needs a string of " << buffer.needed - 1
                                         << " characters, not " << buffer.size - 1);
    return false;
}

}  // namespace karvelin::python
