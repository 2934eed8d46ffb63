// The Python 3 face's log: a call's lines for the logger "karvelin" of the
// standard `logging` module, and the call's KARVELIN_LOG read with the
// interpreter lock held (CallLog, python3_arguments.h).
#include <climits>
#include <initializer_list>

#include "common/log_platform.h"
#include "module/python3_arguments.h"

namespace karvelin::python {
namespace {

// The call the thread is making (the module is never unloaded: the
// runtime's thread-local storage is never given back, and need not be).
thread_local CallLog* g_current = nullptr;
log::CallSink* Current() noexcept { return g_current; }

// logging's levels.
constexpr int kDebug = 10;
constexpr int kWarning = 30;
constexpr int kNoRecords = INT_MAX;

// The logger's methods, found once `logging` is imported and held from then
// on: getEffectiveLevel() and log(level, message).
Object* g_effective_level = nullptr;
Object* g_log = nullptr;

// What failed here is no error of the caller's: it is cleared.
unique_object Cleared(Object* answer) {
    if (!answer) py.PyErr_Clear();
    return unique_object{answer};
}
unique_object Attribute(Object* object, const char* name) {
    return Cleared(object ? py.PyObject_GetAttrString(object, name) : nullptr);
}
// A tuple of new references, each taken over even when the tuple cannot be
// made; null when one of them is missing.
unique_object TupleOf(std::initializer_list<Object*> items) {
    unique_object tuple{py.PyTuple_New(static_cast<Ssize>(items.size()))};
    bool whole = static_cast<bool>(tuple);
    Ssize position = 0;
    for (Object* item : items) {
        if (tuple && item)
            py.PyTuple_SetItem(tuple.get(), position, item);  // takes it over
        else if (item)
            py.Py_DecRef(item);
        whole = whole && item;
        ++position;
    }
    if (!whole) tuple.reset();
    py.PyErr_Clear();
    return tuple;
}
unique_object Called(Object* callable, Object* args) {
    return Cleared(callable ? py.PyObject_CallObject(callable, args) : nullptr);
}

bool FindLogger(Object* logging) {
    const unique_object name_args = TupleOf({py.PyUnicode_FromString("karvelin")});
    const unique_object logger = Called(Attribute(logging, "getLogger").get(), name_args.get());
    unique_object effective_level = Attribute(logger.get(), "getEffectiveLevel");
    unique_object log = Attribute(logger.get(), "log");
    if (!effective_level || !log) return false;
    // As Python advises a library: its logger holds a NullHandler, so that
    // its records reach the handlers the caller set up, and with none set up
    // nothing is printed (where Python's last resort would print the
    // failures on the error stream).
    const unique_object handler = Called(Attribute(logging, "NullHandler").get(), nullptr);
    const unique_object handler_args = TupleOf({handler ? (py.Py_IncRef(handler.get()), handler.get()) : nullptr});
    Called(Attribute(logger.get(), "addHandler").get(), handler_args.get());
    g_effective_level = effective_level.release();
    g_log = log.release();
    return true;
}

// The lowest level the logger takes now. Until the caller imports logging
// nobody can have set it up, and nothing is asked.
int EffectiveLevel() noexcept {
    if (!g_log) {
        static Object* const name = py.PyUnicode_FromString("logging");  // held for the process
        Object* modules = py.PyImport_GetModuleDict();
        Object* logging = modules && name ? py.PyDict_GetItem(modules, name) : nullptr;
        py.PyErr_Clear();
        if (!logging || !FindLogger(logging)) return kNoRecords;
    }
    const unique_object level = Called(g_effective_level, nullptr);
    int overflow = 0;
    const long long value = level ? py.PyLong_AsLongLongAndOverflow(level.get(), &overflow) : kNoRecords;
    py.PyErr_Clear();
    return overflow != 0 || value > kNoRecords ? kNoRecords : static_cast<int>(value);
}

}  // namespace

CallLog::CallLog() noexcept : outer_(g_current), level_(EffectiveLevel()) {
    try {
        file = log::platform::FileSetting();
    } catch (...) {
        // No memory for the name: this call writes no file.
    }
    g_current = this;
}

CallLog::~CallLog() {
    g_current = outer_;
    if (records_.empty()) return;
    // The call's own error, when it raised one, stays the caller's.
    Object *type = nullptr, *value = nullptr, *traceback = nullptr;
    py.PyErr_Fetch(&type, &value, &traceback);
    for (const auto& [level, message] : records_) {
        const unique_object args = TupleOf(
            {py.PyLong_FromLong(level), AnsiDecode(message.data(), static_cast<Ssize>(message.size()))});
        Called(g_log, args.get());
    }
    py.PyErr_Restore(type, value, traceback);
}

bool CallLog::Wants(log::Level level) const noexcept {
    return level_ <= (level == log::Level::Failure ? kWarning : kDebug);
}

void CallLog::Take(log::Level level, const char* function, const std::string& text) noexcept {
    try {
        records_.emplace_back(level == log::Level::Failure ? kWarning : kDebug, std::string(function) + ": " + text);
    } catch (...) {
        // No memory for the record: it is dropped.
    }
}

void CallLog::Install() noexcept { log::SetCallSinkFinder(&Current); }

}  // namespace karvelin::python
